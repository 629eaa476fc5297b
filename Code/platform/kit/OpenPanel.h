#pragma once

#include "platform/kit/Panel.h"

#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class QFileDialog;

namespace kit {

class TextField;
class View;

// The panel that asks the user for a file: Qt's own (non-native) file widget
// hosted in a kit panel, shown as a sheet on a window, so that the kit's
// modality and key window know it. It ends with ModalSession::OK when the user
// opens a file, or when code (an accessory view's button) calls ok(); with
// Cancel otherwise. The chosen file is given as a local path, never as text cut
// from a URL. A panel is used once. Main thread only.
class OpenPanel final : public Panel {
    Q_OBJECT

public:
    OpenPanel();
    ~OpenPanel() override;

    // File name extensions that may be chosen ("plist"); empty: any.
    void setAllowedFileTypes(const QStringList& extensions);
    QStringList allowedFileTypes() const { return types_; }
    // Where the panel starts, and the file name it starts with.
    void setDirectory(const QString& folder);
    void setNameFieldStringValue(const QString& name);
    void setCanCreateDirectories(bool on);
    bool canCreateDirectories() const;
    // Folders are never chosen unless allowed; files always can be.
    void setCanChooseDirectories(bool on);
    void setShowsHiddenFiles(bool on);
    void setAllowsMultipleSelection(bool on);
    // The line above the files, the label of the button that chooses, and the
    // label of the name field.
    void setMessage(const QString& text);
    QString message() const;
    void setPrompt(const QString& text);
    void setNameFieldLabel(const QString& text);
    // A view shown under the files, as wide as the panel (the panel takes it).
    void setAccessoryView(View* view);
    View* accessoryView() const { return accessory_; }

    // The chosen files as local paths; the first (empty when none).
    QStringList paths() const;
    QString path() const;
    // The folder the panel shows now.
    QString directory() const;

    using Handler = std::function<void(int response)>;
    // Shows the panel as a sheet on `window`; `handler` gets the response.
    bool beginSheetModalForWindow(Window* window, Handler handler);
    // End the panel as if its buttons were clicked.
    Q_INVOKABLE void ok(QObject* sender = nullptr);
    Q_INVOKABLE void cancel(QObject* sender = nullptr);

    QFileDialog* fileDialog() const { return dialog_; }

private:
    void end(int response);
    void layoutParts();

    QFileDialog* dialog_ = nullptr;  // inside the panel, which owns it
    View* files_ = nullptr;
    TextField* messageField_ = nullptr;
    QPointer<View> accessory_;
    QStringList types_;
    bool chooseDirectories_ = false;
    bool multiple_ = false;
    Handler handler_;
    bool ended_ = false;
};

}  // namespace kit
