#include "SupportedEcuList.h"

EcuListEntries ECUListe;

int ecuListRowTop(std::size_t row, int dotsPerInch) {
    // Whole-number arithmetic, so 120 dpi gives exactly 55 for row 2 and not 54.999...
    const long long scaled = 18LL * dotsPerInch * static_cast<long long>(row);
    return static_cast<int>(scaled / 96) + 10;
}
