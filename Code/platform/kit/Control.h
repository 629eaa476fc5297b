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
// disables that widget. Main thread only.
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

protected:
    // Shows `widget` over the whole view.
    void setHostedWidget(QWidget* widget);
    // The value as the user changed it: stored without feeding it back.
    void storeValue(const QVariant& value) { value_ = value; }
    void resizeEvent(QResizeEvent* event) override;

private:
    Action action_;
    QVariant value_;
    QPointer<QWidget> hosted_;
};

}  // namespace kit
