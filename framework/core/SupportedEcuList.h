#pragma once
// The list of ECUs the program supports, filled by the program's main window (ECUListeFuellen)
// and shown by TfrmSupportedEcuList.

#include <cstddef>
#include <string>
#include <vector>

struct ECUListeListeneintrag {
    std::string Teilenummer;      // part number
    std::string Diagnosekennung;  // diagnostic identifier
};

using EcuListEntries = std::vector<ECUListeListeneintrag>;

// The program's list, in the order it is shown.
extern EcuListEntries ECUListe;

// The top of row `row` (from 0) in the list area: 18 x (dots per inch / 96) x row + 10, cut to a
// whole number (120 dpi, row 2: 55).
int ecuListRowTop(std::size_t row, int dotsPerInch);
