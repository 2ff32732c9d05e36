#pragma once
// One fault-memory protocol: the header texts, the two column flags and up to 100 entries. The
// fault-memory window fills it from its table or from a saved protocol file and prints it with
// the fault-memory report (TFspPrint). Texts are Windows-1252 bytes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// One printed entry.
struct fehl_strct {
    uint8_t Aktuell = 0;  // 1 a current message, 0 a stored one
    uint8_t Zaehler = 0;  // counter, cut to its low 8 bits
    uint8_t Timer = 0;    // duration, cut to its low 8 bits
    std::string KomponenteMitCode;  // component text + " (" + code + ")"
    std::string FehlerartMitCode;   // fault-type text + " (" + code + ")"
    bool operator==(const fehl_strct&) const = default;
};

constexpr std::size_t kProtokollEintraege = 100;

struct FehlerspeicherProtokoll {
    std::string Datum;             // "Date of error record"
    std::string Uhrzeit;           // "Time of error record"
    std::string System;            // "System"
    std::string Teilenummer;       // "Part number"
    std::string Produktionsdatum;  // "Production date"
    std::string SerienNrEcu;       // "Serial number (ecu)"
    std::string Hersteller;        // "Manufacturer"
    std::string Fahrzeugtyp;       // "Vehicle type"
    std::string Pruefer;           // "Tester"
    std::string Fahrgestellnummer; // "Chassis number"
    std::string Kilometerstand;    // "Odometer reading"
    uint8_t ZaehlerSpalteErzwingen = 0;  // print the counter column
    uint8_t TimerSpalteErzwingen = 0;    // print the timer column
    // Valid entries, 0..100. With 0 there is no message: Eintraege[0].KomponenteMitCode holds the
    // placeholder text and nothing else is printed.
    uint8_t Anzahl = 0;
    std::array<fehl_strct, kProtokollEintraege> Eintraege{};
    bool operator==(const FehlerspeicherProtokoll&) const = default;
};
