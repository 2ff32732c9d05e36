// The built program file: the version texts the information window and the title bar read from
// it.
#include "About.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ProgramFile, CarriesItsOwnNoticeTexts) {
    TNAbout about;
    about.SetAppFileName(KELT_PROGRAM_FILE);
    EXPECT_EQ(about.ProduktName, "Tarvik Diagnostic Software");
    EXPECT_EQ(about.ProduktVersion, "1.32");
    // The information window's first lines: the copyright and the company, never empty.
    EXPECT_NE(about.Copyright.find("NORVA"), std::string::npos) << about.Copyright;
    EXPECT_EQ(about.Firmenname, "NORVA");

    const InfoFormTexts texts = infoFormTexts(about, DiagAttrStruct{}, UserInfo{});
    ASSERT_GE(texts.lines.size(), 2u);
    EXPECT_EQ(texts.lines[0], about.Copyright);
    EXPECT_EQ(texts.lines[1], about.Firmenname);
}

}  // namespace
