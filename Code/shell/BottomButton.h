#pragma once

#include "platform/kit/Button.h"

#include <QString>

// A push button of the window's bottom bars whose disabled look is an image of
// its own: the image named like the button's image with "_Disabled" appended,
// drawn instead of the platform's greyed-out version while the button is
// disabled. Enabled, the button draws as any push button.
class BottomButton : public kit::Button {
    Q_OBJECT

public:
    explicit BottomButton(const QRectF& frame = QRectF());

    // Takes the image of that name and its "<name>_Disabled" companion (none
    // when the resources lack it: the platform's look then applies).
    void setImageNamed(const QString& name);
    static QString disabledImageNameFor(const QString& name);
};
