#pragma once

// The progress strip of the main window as the loader jobs drive it: the strip
// itself (raised and lowered) and the progress indicator inside it. The main
// window controller implements it and hands it to the loader class once its
// interface is loaded (YearViewEventLoader::setProgressIndicatorAndTextField).
//
// The loader calls every operation on the main thread only, in the order in
// which the jobs changed their counts; the jobs themselves never wait for
// them. An implementation may therefore touch its widgets directly, but must
// cope with being called after its window has gone (then it does nothing).
class LoaderProgressSink {
public:
    virtual ~LoaderProgressSink() = default;

    // Raise the progress strip (showProgressView); nothing while it is up.
    virtual void showProgressView() = 0;
    // Lower the progress strip (hideProgressView); nothing while it is down.
    virtual void hideProgressView() = 0;
    // Switch the indicator between a busy bar (true) and a bar with a value.
    virtual void setProgressIndeterminate(bool indeterminate) = 0;
    // The determinate bar's value, 0 to 100.
    virtual void setProgressValue(double percent) = 0;
    // Start and stop the indicator's animation (the busy bar moves while it runs).
    virtual void startProgressAnimation() = 0;
    virtual void stopProgressAnimation() = 0;
};
