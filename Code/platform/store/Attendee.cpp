#include "platform/store/Attendee.h"

namespace calstore {

Attendee::Attendee(QUrl address, QString commonName, QString status, QString role)
    : address_(std::move(address)),
      commonName_(std::move(commonName)),
      status_(std::move(status)),
      role_(std::move(role)) {}

Attendee::~Attendee() = default;

}  // namespace calstore
