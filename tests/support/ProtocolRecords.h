#pragma once
// Fault-memory protocol records for report tests. Header-only, so test programs that link the
// framework can use it without test_support depending on the framework.

#include "FehlerspeicherProtokoll.h"

#include <algorithm>
#include <string>

// A protocol with every header text filled (the tester with a Windows-1252 u-umlaut, a 17-character
// VIN) and `count` entries: entry n is "Valve n (n)" / "Open circuit (n)" with counter n and timer
// 0; entries 1, 4, 7, ... are current. With no entry, entry 0 holds "No message present".
inline FehlerspeicherProtokoll protocolWith(int count) {
    FehlerspeicherProtokoll r;
    r.Datum = "12.03.2024";
    r.Uhrzeit = "14:05:09";
    r.System = "KELT air suspension";
    r.Teilenummer = "4460550010";
    r.Produktionsdatum = "07/2019";
    r.SerienNrEcu = "---";
    r.Hersteller = "Bus works";
    r.Fahrzeugtyp = "City 12";
    r.Pruefer = "J. M\xFC" "ller";
    r.Fahrgestellnummer = "WKK63312345678901";
    r.Kilometerstand = "123456";
    r.Anzahl = static_cast<uint8_t>(count);
    for (int i = 0; i < std::min<int>(count, kProtokollEintraege); ++i) {
        fehl_strct& e = r.Eintraege[i];
        const std::string n = std::to_string(i + 1);
        e.KomponenteMitCode = "Valve " + n + " (" + n + ")";
        e.FehlerartMitCode = "Open circuit (" + n + ")";
        e.Zaehler = static_cast<uint8_t>(i + 1);
        e.Aktuell = (i % 3 == 0) ? 1 : 0;
    }
    if (count == 0) r.Eintraege[0].KomponenteMitCode = "No message present";
    return r;
}
