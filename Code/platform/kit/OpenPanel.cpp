#include "platform/kit/OpenPanel.h"

#include "platform/kit/Control.h"
#include "platform/kit/ModalSession.h"
#include "platform/kit/Sheet.h"
#include "platform/kit/TextField.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>

namespace kit {

namespace {

// The part of the panel that shows Qt's file widget.
class FileChooser final : public Control {
public:
    explicit FileChooser(QFileDialog* dialog) { setHostedWidget(dialog); }
};

constexpr double kMessageHeight = 24;

}  // namespace

OpenPanel::OpenPanel() : Panel(QRectF(200, 200, 640, 440), Titled | Resizable) {
    auto* dialog = new QFileDialog;
    dialog->setWindowFlags(Qt::Widget);
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog_ = dialog;
    connect(dialog, &QFileDialog::accepted, this, [this] { end(ModalSession::OK); });
    connect(dialog, &QFileDialog::rejected, this, [this] { end(ModalSession::Cancel); });

    View* content = contentView();
    messageField_ = TextField::labelWithString(QString());
    messageField_->setHidden(true);
    content->addSubview(messageField_);
    files_ = new FileChooser(dialog);
    content->addSubview(files_);
    layoutParts();
}

OpenPanel::~OpenPanel() = default;

void OpenPanel::layoutParts() {
    const QRectF b = contentView()->bounds();
    const double bottom = accessory_ ? accessory_->frame().height() : 0;
    const double top = messageField_->isHidden() ? 0 : kMessageHeight;
    messageField_->setFrame(
        QRectF(12, b.height() - kMessageHeight, b.width() - 24, kMessageHeight));
    messageField_->setAutoresizingMask(View::WidthSizable | View::MinYMargin);
    files_->setFrame(QRectF(0, bottom, b.width(), std::max(0.0, b.height() - top - bottom)));
    files_->setAutoresizingMask(View::WidthSizable | View::HeightSizable);
    if (accessory_) {
        accessory_->setFrame(QRectF(0, 0, b.width(), bottom));
        accessory_->setAutoresizingMask(accessory_->autoresizingMask() | View::WidthSizable);
    }
}

void OpenPanel::setAllowedFileTypes(const QStringList& extensions) {
    types_ = extensions;
    QStringList patterns;
    for (const QString& e : extensions) patterns << QStringLiteral("*.") + e;
    dialog_->setNameFilters(patterns.isEmpty() ? QStringList{QStringLiteral("*")}
                                               : QStringList{patterns.join(QLatin1Char(' '))});
}

void OpenPanel::setDirectory(const QString& folder) {
    if (!folder.isEmpty()) dialog_->setDirectory(folder);
}

void OpenPanel::setNameFieldStringValue(const QString& name) {
    if (!name.isEmpty()) dialog_->selectFile(name);
}

void OpenPanel::setCanCreateDirectories(bool on) {
    dialog_->setOption(QFileDialog::ReadOnly, !on);
}

bool OpenPanel::canCreateDirectories() const {
    return !dialog_->testOption(QFileDialog::ReadOnly);
}

void OpenPanel::setCanChooseDirectories(bool on) {
    chooseDirectories_ = on;
    dialog_->setFileMode(on ? QFileDialog::Directory
                            : (multiple_ ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile));
}

void OpenPanel::setAllowsMultipleSelection(bool on) {
    multiple_ = on;
    setCanChooseDirectories(chooseDirectories_);
}

void OpenPanel::setShowsHiddenFiles(bool on) {
    QDir::Filters f = dialog_->filter();
    dialog_->setFilter(on ? (f | QDir::Hidden) : (f & ~QDir::Hidden));
}

void OpenPanel::setMessage(const QString& text) {
    messageField_->setStringValue(text);
    messageField_->setHidden(text.isEmpty());
    layoutParts();
}

QString OpenPanel::message() const {
    return messageField_->stringValue();
}

void OpenPanel::setPrompt(const QString& text) {
    if (!text.isEmpty()) dialog_->setLabelText(QFileDialog::Accept, text);
}

void OpenPanel::setNameFieldLabel(const QString& text) {
    if (!text.isEmpty()) dialog_->setLabelText(QFileDialog::FileName, text);
}

void OpenPanel::setAccessoryView(View* view) {
    if (view == accessory_) return;
    if (accessory_) {
        accessory_->removeFromSuperview();
        accessory_->deleteLater();
    }
    accessory_ = view;
    if (view) contentView()->addSubview(view);
    layoutParts();
}

QStringList OpenPanel::paths() const {
    QStringList out;
    for (const QUrl& url : dialog_->selectedUrls()) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        const QFileInfo info(path);
        // The folder shown is no choice unless folders may be chosen.
        if (info.isDir() && !chooseDirectories_) continue;
        if (!path.isEmpty()) out << QDir::cleanPath(path);
    }
    return out;
}

QString OpenPanel::path() const {
    const QStringList all = paths();
    return all.isEmpty() ? QString() : all.first();
}

QString OpenPanel::directory() const {
    return dialog_->directory().absolutePath();
}

bool OpenPanel::beginSheetModalForWindow(Window* window, Handler handler) {
    handler_ = std::move(handler);
    ended_ = false;
    return Sheet::beginSheet(this, window, [this](Window*, int code) {
        Handler h = std::move(handler_);
        handler_ = nullptr;
        if (h) h(code);
    });
}

void OpenPanel::ok(QObject*) {
    end(ModalSession::OK);
}

void OpenPanel::cancel(QObject*) {
    end(ModalSession::Cancel);
}

void OpenPanel::end(int response) {
    if (ended_) return;
    ended_ = true;
    if (Sheet::sheetParent(this))
        Sheet::endSheet(this, response);
    else if (Handler h = std::move(handler_)) {
        handler_ = nullptr;
        h(response);
    }
}

}  // namespace kit
