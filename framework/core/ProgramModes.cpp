#include "ProgramModes.h"

uint8_t AutomatisierungsModus = 0;
uint8_t DemoModus = 0;
uint8_t WechsellaufwerkAktiv = 0;
uint8_t Diagnoseleitung = 0;
std::string TesterName;
