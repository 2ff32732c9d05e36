#pragma once
// The one implementation of a service interface the program uses (message boxes, the file
// dialog, the one-line question): the Qt layer installs its own at start-up, tests install
// scripted ones.

#include <stdexcept>
#include <utility>

template <class Service>
class InstalledService {
public:
    // Installs `service`; returns the one installed before (may be null).
    static Service* install(Service* service) { return std::exchange(current_, service); }
    // The installed one, or null.
    static Service* get() { return current_; }
    // The installed one. Throws std::logic_error with `missing` when none is installed: a dialog
    // that cannot be shown must not be taken as an answer.
    static Service& require(const char* missing) {
        if (!current_) throw std::logic_error(missing);
        return *current_;
    }

private:
    static inline Service* current_ = nullptr;
};
