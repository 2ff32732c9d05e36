#include "VehicleTexts.h"

std::string VehicleManufacturer;
std::string VehicleType;
std::string VehicleVIN;
std::string VehicleOdometer;
