// The parameter description files: real files read through the profile-file layer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ParameterDescription.h"
#include "TempDir.h"

namespace {

namespace fs = std::filesystem;

class DescriptionFile : public ::testing::Test {
protected:
    fs::path put(const std::string& name, const std::string& text) {
        const fs::path file = dir / name;
        TempDir::writeFile(file, text);
        return file;
    }
    TempDir dir;
};

const char* const kPartsExample =
    "[Hinweise]\r\n"
    "1=First note\r\n"
    "2=Second note\r\n"
    "[ECUListe]\r\n"
    "1=841 302 117 0\r\n"
    "[3]\r\n"
    "WORD=1\r\n"
    "Faktor=0.5\r\n"
    "Einheit=bar\r\n"
    "Text=Pressure limit\r\n"
    "Text1=of the front axle\r\n"
    "Text2=----\r\n"
    "Text3=not shown\r\n"
    "[1]\r\n"
    "[7]\r\n"
    "Bit=x\r\n"
    "Text0l=off\r\n"
    "Text0h=on\r\n"
    "Text7h=kneeling\r\n";

TEST_F(DescriptionFile, TakesTheParametersInFileOrder) {
    put("10780100.pkd", kPartsExample);
    const std::optional<ParameterDescription> d = readParameterDescription(dir / "10780100.PKD");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->file, dir / "10780100.pkd");
    EXPECT_EQ(d->DiagnoseKennung, "10780100");
    EXPECT_EQ(d->Hinweise, (std::vector<std::string>{"First note", "Second note"}));

    const _ParaKonf& k = d->ParaKonf;
    ASSERT_EQ(k.AnzahlParameter(), 3);
    EXPECT_EQ(k.AnzahlBytes(), 4);
    const structParaInfo& word = k.Parameter[0];
    const structParaInfo& plain = k.Parameter[1];
    const structParaInfo& bits = k.Parameter[2];
    EXPECT_EQ((std::vector<int>{word.Nummer, plain.Nummer, bits.Nummer}), (std::vector<int>{3, 1, 7}));
    EXPECT_EQ((std::vector<int>{word.Art, plain.Art, bits.Art}),
              (std::vector<int>{ArtWord, ArtByte, ArtBits}));
    EXPECT_EQ((std::vector<int>{word.Format, plain.Format, bits.Format}), (std::vector<int>{1, 0, 0}));
    EXPECT_DOUBLE_EQ(word.Faktor, 0.5);
    EXPECT_DOUBLE_EQ(plain.Faktor, 1.0);
    EXPECT_EQ(word.Einheit, "bar");
    EXPECT_EQ(word.Texte, (std::vector<std::string>{"Pressure limit", "of the front axle"}));
    EXPECT_TRUE(plain.Texte.empty());
    EXPECT_EQ(plain.Offset, 0);
    EXPECT_EQ(bits.BitTexte[0], (std::array<std::string, 2>{"off", "on"}));
    EXPECT_EQ(bits.BitTexte[7], (std::array<std::string, 2>{"---", "kneeling"}));
    EXPECT_EQ(bits.BitTexte[3], (std::array<std::string, 2>{"---", "---"}));
}

TEST_F(DescriptionFile, IsFoundWithoutRegardToCaseAndNamedAsAskedFor) {
    put("1078A100.pkd", "[1]\r\n");
    const std::optional<ParameterDescription> d = readParameterDescription(dir / "1078a100.PKD");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->file, dir / "1078A100.pkd");
    EXPECT_EQ(d->DiagnoseKennung, "1078a100");
}

TEST_F(DescriptionFile, ReadsEachKeyByItsRule) {
    put("k.PKD",
        "[10]\r\nOffset=40\r\nEinheit=\xB0" "C\r\nText1=no Text before it\r\n"
        "[$1F]\r\nOffset=$28\r\nFaktor=0,5\r\nText=\r\nText1=after an empty line\r\n"
        "[12]\r\nOffset=4x\r\nFaktor=0\r\nBit=\r\nWORD=yes\r\n"
        "[13]\r\nOffset=-5\r\nFaktor=-0.25\r\n"
        "[notes]\r\n[70000]\r\n[-1]\r\n[ 14 ]\r\n");
    const std::optional<ParameterDescription> d = readParameterDescription(dir / "k.PKD");
    ASSERT_TRUE(d);
    const std::vector<structParaInfo>& p = d->ParaKonf.Parameter;
    ASSERT_EQ(p.size(), 5u) << "names that are no number 0..65535 are skipped";
    EXPECT_EQ((std::vector<int>{p[0].Nummer, p[1].Nummer, p[2].Nummer, p[3].Nummer, p[4].Nummer}),
              (std::vector<int>{10, 31, 12, 13, 14}));
    EXPECT_EQ((std::vector<int>{p[0].Offset, p[1].Offset, p[2].Offset, p[3].Offset}),
              (std::vector<int>{40, 40, 0, -5}));
    EXPECT_EQ(p[0].Einheit, "\xB0" "C") << "Windows-1252 bytes as they are";
    EXPECT_TRUE(p[0].Texte.empty()) << "the lines start with \"Text\"";
    EXPECT_EQ(p[1].Texte, (std::vector<std::string>{"", "after an empty line"}));
    EXPECT_DOUBLE_EQ(p[1].Faktor, 1.0) << "\",\" is no decimal point";
    EXPECT_DOUBLE_EQ(p[2].Faktor, 1.0);
    EXPECT_EQ(p[2].Art, ArtWord) << "an empty \"Bit\" is no bit key";
    EXPECT_DOUBLE_EQ(p[3].Faktor, -0.25);
    EXPECT_EQ(p[3].Format, 2);
}

// A parameter's keys are named without regard to case and may come in any order; of keys that
// differ only in case the first one counts, and of sections of the same number the first.
TEST_F(DescriptionFile, TakesTheFirstOfKeysThatDifferOnlyInCase) {
    put("d.PKD",
        "[5]\r\nTEXT1=second\r\ntext=first\r\nText1=not this one\r\nFAKTOR=0.1\r\nfaktor=2\r\n"
        "word=1\r\nWORD=\r\nEINHEIT=mm\r\nEinheit=cm\r\nOFFSET=3\r\nOffset=9\r\nText2=third\r\n"
        "Text01=not a line\r\nText0=nor this\r\nText0l=no bit caption here\r\n"
        "[6]\r\nTEXT3H=high\r\nbit=1\r\nBit=\r\ntext3h=not this one\r\nText3L=low\r\nText8l=no such bit\r\n"
        "Text7l=\r\nText=no lines for bits\r\n"
        "[5]\r\nText=a later section of the same number\r\n");
    const std::optional<ParameterDescription> d = readParameterDescription(dir / "d.PKD");
    ASSERT_TRUE(d);
    const std::vector<structParaInfo>& p = d->ParaKonf.Parameter;
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0].Nummer, 5);
    EXPECT_EQ(p[0].Art, ArtWord);
    EXPECT_DOUBLE_EQ(p[0].Faktor, 0.1);
    EXPECT_EQ(p[0].Format, 1);
    EXPECT_EQ(p[0].Offset, 3);
    EXPECT_EQ(p[0].Einheit, "mm");
    EXPECT_EQ(p[0].Texte, (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_EQ(p[0].BitTexte[0], (std::array<std::string, 2>{"", ""})) << "captions only for bits";

    EXPECT_EQ(p[1].Art, ArtBits);
    EXPECT_TRUE(p[1].Texte.empty());
    EXPECT_EQ(p[1].BitTexte[3], (std::array<std::string, 2>{"low", "high"}));
    EXPECT_EQ(p[1].BitTexte[7], (std::array<std::string, 2>{"", "---"})) << "an empty caption is given";
    EXPECT_EQ(p[1].BitTexte[0], (std::array<std::string, 2>{"---", "---"}));
}

TEST_F(DescriptionFile, MissingOrUnreadableIsNotLoaded) {
    EXPECT_FALSE(readParameterDescription(dir / "10780100.PKD"));
    fs::create_directory(dir / "folder.PKD");
    EXPECT_FALSE(readParameterDescription(dir / "folder.PKD"));
}

TEST_F(DescriptionFile, MoreThan500ParametersAreNotLoaded) {
    std::string text = "[Hinweise]\r\n1=x\r\n[abc]\r\n";
    for (int i = 1; i <= 500; ++i) text += "[" + std::to_string(i) + "]\r\n";
    put("full.PKD", text);
    const std::optional<ParameterDescription> full = readParameterDescription(dir / "full.PKD");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->ParaKonf.AnzahlParameter(), 500);
    put("over.PKD", text + "[501]\r\n");
    EXPECT_FALSE(readParameterDescription(dir / "over.PKD"));
}

// The picker's list: every "*.PKD" of the folder, sorted without regard to case, one line per
// ECU its "ECUListe" names or one "?" line.
TEST_F(DescriptionFile, ThePickerListsEveryEcuOfEveryDescription) {
    put("B0700100.pkd", "[1]\r\n");
    put("a0700200.Pkd", "[ECUListe]\r\n1=841 302 101 0\r\n[1]\r\n");
    put("10780100.PKD", "[eculiste]\r\nx=841 302 117 0\r\ny=841 302 116 0\r\nz=841 302 115 0\r\n");
    put("10780100.txt", "[ECUListe]\r\n1=not listed\r\n");
    fs::create_directory(dir / "folder.PKD");

    std::vector<std::string> lines;
    for (const ECU_PKD_Liste& entry : listParameterDescriptions(dir.path())) lines.push_back(pkdListLine(entry));
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "841 302 117 0   /   10780100", "841 302 116 0   /   10780100",
                         "841 302 115 0   /   10780100", "841 302 101 0   /   a0700200",
                         "?   /   B0700100"}));
    EXPECT_EQ(listParameterDescriptions(dir.path())[3].Datei, "a0700200.Pkd");
    EXPECT_TRUE(listParameterDescriptions(dir / "missing").empty());
}

struct FactorCase {
    std::string text;
    double factor;
    int decimals;
};

class Factors : public ::testing::TestWithParam<FactorCase> {};

TEST_P(Factors, GiveTheirDecimals) {
    const double factor = parameterFactor(GetParam().text);
    EXPECT_DOUBLE_EQ(factor, GetParam().factor) << GetParam().text;
    EXPECT_EQ(AnzeigeformatErmitteln(factor), GetParam().decimals) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Factors,
    ::testing::Values(FactorCase{"1", 1, 0}, FactorCase{"0.5", 0.5, 1}, FactorCase{"0.01", 0.01, 2},
                      FactorCase{"0.25", 0.25, 2}, FactorCase{"0.001", 0.001, 3},
                      FactorCase{"2", 2, 0}, FactorCase{"1.5", 1.5, 1}, FactorCase{"12.34", 12.34, 2},
                      // Finer than three decimals still shows three.
                      FactorCase{"0.0001", 0.0001, 3}, FactorCase{"0.0005", 0.0005, 3},
                      // A product just below a whole number by binary rounding counts as
                      // whole; a real fraction just below one does not.
                      FactorCase{"0.29", 0.29, 2}, FactorCase{"0.57", 0.57, 2},
                      FactorCase{"2.01", 2.01, 2},
                      FactorCase{"0.99999", 0.99999, 3}, FactorCase{"1.99995", 1.99995, 3},
                      FactorCase{"2.00005", 2.00005, 0},
                      // A negative factor takes the decimals of its size.
                      FactorCase{"-0.5", -0.5, 1}, FactorCase{"-3", -3, 0},
                      // Unreadable factors and those that cannot scale are 1.
                      FactorCase{"0.5x", 1, 0}, FactorCase{"", 1, 0}, FactorCase{"0", 1, 0},
                      FactorCase{"-0", 1, 0}, FactorCase{"1e400", 1, 0}, FactorCase{"inf", 1, 0},
                      FactorCase{"nan", 1, 0}, FactorCase{"0,5", 1, 0}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

}  // namespace
