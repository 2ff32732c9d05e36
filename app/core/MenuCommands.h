#pragma once
// The main window's commands. Each has a fixed identifier: the automation client starts a
// command by its number, so a number keeps its meaning in every release. Never renumber; a new
// command takes a new number.
//
//   1 mnuDiagnoseStarten           "&Start"
//   2 mnuDiagnoseUnterbrechen      "&Interrupt"
//   3 mnuECUNeustart               "&Reset ECU"
//   4 Fehlerspeicherprotokolldrucken "&Print diagnostic memory protocol ..."
//   5 mnuBeenden                   "&Exit"
//  10 mnuFehlersuche               "&Diagnostic memory ..."
//  20 mnuHebenSenken               "&Lifting/lowering ..."
//  21 mnuLampentest                "L&amp test..."
//  22 mnuDrosseln                  "&Throttle..."
//  23 mnuALBVentil                 "L&SV valve..."
//  24 mnuAusgaengeAnsteuern        "&Outputs..."
//  30 mnuSchalterstellungen        "&Switch settings..."
//  31 mnuMesswerteAnzeigen         "&Measured values ..."
//  40 mnuParameter                 "&Parameter..."
//  41 mnuKalibrierenWegsensoren    "&Calibrate the distance sensors..."
//  42 mnuKalibrierenDrucksensoren  "C&alibration of the pressure sensor..."
//  43 mnuKalibrierenTiltsensoren   "Ca&libration of the tilt sensors..."
//  44 mnuKalibrierdatenWegsensor   "Cal&ibration data of the distance sensors ..."
//  45 mnuKalibrierdatenDrucksensoren "Cali&bration data of the pressure sensor..."
//  46 mnuKalibrierdatenTiltsensoren (no menu item; its state follows the tilt sensor)
//  47 mnuSystemdatenSpeichern      "&Save system data"
//  48 mnuBaudrateUndAdresse        "C&hange ECU baud rate and address..."
//  50 mnuEinstellungen             "&Settings..."
//  60 mnuUnterstuetzteEcus         "&Supported ECUs..."

#include <cstdint>

enum class MenuCommand : int32_t {
    DiagnoseStarten = 1,
    DiagnoseUnterbrechen = 2,
    ECUNeustart = 3,
    Fehlerspeicherprotokolldrucken = 4,
    Beenden = 5,
    Fehlersuche = 10,
    HebenSenken = 20,
    Lampentest = 21,
    Drosseln = 22,
    ALBVentil = 23,
    AusgaengeAnsteuern = 24,
    Schalterstellungen = 30,
    MesswerteAnzeigen = 31,
    Parameter = 40,
    KalibrierenWegsensoren = 41,
    KalibrierenDrucksensoren = 42,
    KalibrierenTiltsensoren = 43,
    KalibrierdatenWegsensor = 44,
    KalibrierdatenDrucksensoren = 45,
    KalibrierdatenTiltsensoren = 46,
    SystemdatenSpeichern = 47,
    BaudrateUndAdresse = 48,
    Einstellungen = 50,
    UnterstuetzteEcus = 60,
};
