#pragma once

#include "platform/kit/Action.h"
#include "platform/kit/View.h"

#include <QPointer>
#include <QVariant>

namespace kit {

// A view the user acts on: it holds a value and sends its action (an operation
// performed by name on its target, or along the responder chain without one, or
// a function) when the user changes or uses it. Standard controls show a Qt
// widget that fills the view; disabling the control (QWidget::setEnabled)
// disables that widget.
//
// The hosted widget is the control's focus proxy: making the control first
// responder puts the keyboard into the widget, and the widget taking the
// keyboard (a click, Tab) makes the control its window's first responder. The
// kit's own mouse, key and wheel events sent to the control reach the widget as
// the matching Qt events, so they take the path a real click or key takes; what
// the widget does not take goes on along the responder chain. Main thread only.
class Control : public View {
    Q_OBJECT

public:
    explicit Control(const QRectF& frame = QRectF());

    // -- Action
    QObject* target() const { return action_.target(); }
    void setTarget(QObject* target) { action_.setTarget(target); }
    QByteArray action() const { return action_.name(); }
    void setAction(const QByteArray& name) { action_.setName(name); }
    void setActionHandler(Action::Handler handler) { action_.setHandler(std::move(handler)); }
    // Sends the control's action with the control as sender; answers whether
    // anyone took it.
    bool sendAction();
    bool sendActionTo(const QByteArray& action, QObject* target);

    // -- Value
    QVariant objectValue() const { return value_; }
    virtual void setObjectValue(const QVariant& value);
    QString stringValue() const { return value_.toString(); }
    void setStringValue(const QString& s) { setObjectValue(s); }
    int intValue() const { return value_.toInt(); }
    void setIntValue(int v) { setObjectValue(v); }
    double doubleValue() const { return value_.toDouble(); }
    void setDoubleValue(double v) { setObjectValue(v); }

    // The Qt widget that shows the control (null for controls that draw
    // themselves).
    QWidget* hostedWidget() const { return hosted_; }

    // Whether a kit event is being handed to the hosted widget now.
    bool isForwardingToHost() const { return forwarding_; }

    // The kit's events, handed to the hosted widget.
    void mouseDown(const Event& event) override;
    void mouseDragged(const Event& event) override;
    void mouseUp(const Event& event) override;
    void keyDown(const Event& event) override;
    void keyUp(const Event& event) override;
    void scrollWheel(const Event& event) override;

protected:
    // Shows `widget` over the whole view.
    void setHostedWidget(QWidget* widget);
    // The value as the user changed it: stored without feeding it back.
    void storeValue(const QVariant& value) { value_ = value; }
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Sends the Qt form of `event` to the hosted widget; false when there is
    // none or it did not take the event (true while the control is disabled).
    bool forwardToHost(const Event& event);

    Action action_;
    // Set while a kit event is handed to the hosted widget (what it leaves
    // comes back here and must not be routed again), and while Qt's own input
    // reaches the control (the widget has seen it already).
    bool forwarding_ = false;
    bool hostIgnored_ = false;
    bool fromQt_ = false;
    QVariant value_;
    QPointer<QWidget> hosted_;
};

}  // namespace kit
