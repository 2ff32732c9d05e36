#include "SimMinimalEcu.h"

#include <algorithm>

namespace {

SimBytes withHeader(const SimBytes& body) {
    SimBytes message(body.size() + 1);
    message[0] = static_cast<uint8_t>(0x80 | body.size());
    std::copy(body.begin(), body.end(), message.begin() + 1);
    return message;
}

}  // namespace

std::optional<SimBytes> SimMinimalEcu::answer(const SimBytes& message) {
    {
        std::lock_guard lock(mutex_);
        messages_.push_back(message);
    }
    if (message.size() != 1) return std::nullopt;
    switch (message[0]) {
        case 0x02: {
            SimBytes body{0x42,
                          diagnosticIdentifier[0],
                          diagnosticIdentifier[1],
                          partNumber[0],
                          partNumber[1],
                          partNumber[2],
                          softwareVersion,
                          production[0],
                          production[1],
                          identification10,
                          identification11};
            // A message carries at most 127 bytes after its header.
            const size_t room = 0x7F - body.size();
            body.insert(body.end(), furtherIdentification.begin(),
                        furtherIdentification.begin() +
                            static_cast<long>(std::min(room, furtherIdentification.size())));
            return withHeader(body);
        }
        case 0x08:
            if (negativeIdentifier) return SimBytes{0x05};
            return withHeader({0x48, identifier[0], identifier[1], identifier[2], identifier[3]});
        case 0x0F:
            return SimBytes{0x4F};
        default:
            return std::nullopt;
    }
}

std::vector<SimBytes> SimMinimalEcu::messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}
