#pragma once
// Switches the C library to a locale whose decimal separator is ",", as Qt does at start-up for a
// German user. The locale is compiled with localedef into a temporary folder when the system has
// none, so the test runs on a machine without generated locales too.

#include <string>

class CommaLocale {
public:
    // Switches LC_ALL to the comma locale; `active()` says whether that worked.
    CommaLocale();
    // Restores the locale that was in force before.
    ~CommaLocale();
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    bool active() const { return active_; }

private:
    std::string previous_;
    bool active_ = false;
};
