#pragma once

#include <QString>

namespace foundation {

// What the system says about the user and the machine.
class SystemInfo final {
public:
    SystemInfo() = delete;

    // The logged-in user's full name from the account database (the first
    // field of its comment); the login name when the account has none.
    static QString fullUserName();
    // The login name of the user.
    static QString userName();
    // The machine's host name without a domain part; empty when it has none.
    static QString localHostName();
};

}  // namespace foundation
