#pragma once
// The vehicle texts the technician enters in the vehicle-data window before a protocol or a data
// file is saved or printed; the framework's protocol and data-file writers read them. One
// instance each for the whole program (TesterName lives with the framework's program modes).

#include <cstddef>
#include <string>

extern std::string VehicleManufacturer;
extern std::string VehicleType;
// The chassis number; reading the ECU's identification clears it.
extern std::string VehicleVIN;
extern std::string VehicleOdometer;

// The widths of the texts, terminating NUL included: an edit takes one character less.
inline constexpr std::size_t kTesterNameWidth = 256;
inline constexpr std::size_t kVehicleManufacturerWidth = 256;
inline constexpr std::size_t kVehicleTypeWidth = 256;
inline constexpr std::size_t kVehicleVINWidth = 32;
inline constexpr std::size_t kVehicleOdometerWidth = 96;
