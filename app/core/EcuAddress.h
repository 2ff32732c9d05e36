#pragma once
// The ECU's diagnostic address as the technician types it on the settings page and as the start
// of the communication reads it back from the application INI file ([Diagnose] "ECUAdress").
// One parser serves both, so what the page accepts is exactly what the connection uses.

#include <cstdint>
#include <optional>
#include <string_view>

class ProfileFile;

// The address used when the INI file names none, or names something that is no address.
inline constexpr uint8_t kDefaultEcuAddress = 16;
// The address goes to the interface as one byte; 0 addresses no ECU.
inline constexpr unsigned kLowestEcuAddress = 1;
inline constexpr unsigned kHighestEcuAddress = 255;

// "17" (decimal, leading zeros allowed) or "0x11" / "0X11" (hexadecimal); blanks and tabs around
// the number are ignored. Nothing for an empty text, a sign, any other character, or a value
// outside kLowestEcuAddress..kHighestEcuAddress.
std::optional<uint8_t> parseEcuAddress(std::string_view text);

// The address stored in the application INI file; kDefaultEcuAddress when the key is missing or
// its text is no address.
uint8_t readEcuAddress(const ProfileFile& ini);

// String-table id of the message that refuses a typed text that is no address.
inline constexpr int kInvalidEcuAddressText = 11951;

// The new address the technician types for the ECU itself (the address-and-baud-rate window):
// a decimal integer, blanks and tabs around it allowed, in 1..128. Nothing for anything else.
inline constexpr unsigned kHighestTypedEcuAddress = 128;
std::optional<uint8_t> parseTypedEcuAddress(std::string_view text);
// String-table id of the message that refuses it.
inline constexpr int kInvalidTypedAddressText = 20107;
