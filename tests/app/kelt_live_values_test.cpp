// The switch positions and measured values of the ECU: the lists per ECU type and configuration,
// the decoding of the status replies, the order of the requests, what a failing request leaves
// behind, and the demo's fixed values and changing switch pattern.
#include <functional>
#include <map>
#include <utility>

#include "Clock.h"
#include "KeltTestSupport.h"

namespace {

// The configuration flags the lists depend on.
struct Flags {
    uint8_t asian = 0;
    uint8_t autoManual = 0;
    uint8_t doorUbatt = 0;
    uint8_t sidewalkMake = 0;
    uint8_t axleSwapped = 0;
};

// Status replies to set: service -> (d0, d1).
using StatusValues = std::map<uint8_t, std::pair<uint8_t, uint8_t>>;

class LiveValues : public KeltFixture {
public:
    void SetUp() override {
        KeltFixture::SetUp();
        setQuietStatusValues(*ecu);
    }
    void useEcu(uint32_t type, const Flags& flags) {
        useType(type);
        kelt->AsianStyle = flags.asian;
        kelt->CfgKneelingAutoManual = flags.autoManual;
        kelt->CfgDoorContactUbatt = flags.doorUbatt;
        kelt->CfgSidewalkMakeContact = flags.sidewalkMake;
        kelt->CfgAxleInputsSwapped = flags.axleSwapped;
    }
    void setStatus(const StatusValues& values) {
        for (const auto& [service, bytes] : values) ecu->setStatusValue(service, bytes.first, bytes.second);
    }
    std::vector<SimBytes> services(std::initializer_list<uint8_t> list) {
        std::vector<SimBytes> bodies;
        for (uint8_t s : list) bodies.push_back({s});
        return bodies;
    }
};

// The states of the list's rows as digits, row 0 first.
std::string statesOf(const SwitchList& list) {
    std::string states;
    for (std::size_t i = 0; i < list.count; ++i) states += static_cast<char>('0' + list.entries[i].state);
    return states;
}

std::vector<std::string> valuesOf(const daMesswerteListe& list) {
    std::vector<std::string> values;
    for (const _MesswerteListe& entry : list) values.push_back(entry.value);
    return values;
}

const std::string kOpen = "Contact open";
const std::string kToEarth = "Contact to earth";
const std::string kToUbatt = "Contact to Ubatt";
const std::string kDoorTo0V = "Door contact   (parameter set as switching to 0V)";
const std::string kDoorToUbatt = "Door contact   (parameter set as switching to +UB)";
const std::string kSidewalkBreak = "Sidewalk detector   (parameters set as break contact)";
const std::string kSidewalkMake = "Sidewalk detector   (parameters set as make contact)";

// --- switch lists -------------------------------------------------------------------------------

struct ListCase {
    std::string name;
    uint32_t type;
    Flags flags;
    std::vector<std::string> names;
    std::string doorClosedText;
};

class SwitchLists : public LiveValues, public ::testing::WithParamInterface<ListCase> {};

TEST_P(SwitchLists, NamesAndStateTexts) {
    const ListCase& c = GetParam();
    useEcu(c.type, c.flags);
    SwitchList list;
    kelt->BuildSwitchList(list);
    ASSERT_EQ(list.count, c.names.size());
    for (std::size_t i = 0; i < list.count; ++i) {
        const _SwitchBasis& entry = list.entries[i];
        SCOPED_TRACE(entry.name);
        EXPECT_EQ(entry.name, c.names[i]);
        EXPECT_EQ(entry.kind, 0);
        EXPECT_EQ(entry.visible, 1);
        EXPECT_EQ(entry.state, 0);
        EXPECT_EQ(entry.stateTexts[0], kOpen);
        const bool door = entry.name.rfind("Door contact", 0) == 0;
        const std::string closed = door ? c.doorClosedText : entry.name == "Brake" ? kToUbatt : kToEarth;
        EXPECT_EQ(entry.stateTexts[1], closed);
        EXPECT_EQ(entry.stateTexts[2], "");
    }
    EXPECT_EQ(list.entries[list.count].name, "") << "nothing past the count";
    EXPECT_TRUE(ecu->messages().empty());
}

// List A2 and B with every flag clear.
const std::vector<std::string> kListA2 = {
    "Axle preselection, front axle", "Axle preselection, rear axle",
    "Changeover switch Kneeling manual/automatic", "Kneeling", "Stop", "Normal level",
    "Normal level I / II", "Lifting", "Lowering", "Supply pressure", "Brake", kDoorTo0V,
    kSidewalkBreak};

// The list with some rows named otherwise.
std::vector<std::string> with(std::vector<std::string> names,
                              std::initializer_list<std::pair<std::size_t, std::string>> rows) {
    for (const auto& [row, name] : rows) names[row] = name;
    return names;
}

INSTANTIATE_TEST_SUITE_P(
    Types, SwitchLists,
    ::testing::Values(
        ListCase{"AsianStyle", 0x107420, {.asian = 1},
                 {"Axle preselection, front axle", "Axle preselection, rear axle", "Supply pressure",
                  "Stop", "Normal level", "Normal level 4", "Normal level I / II", "Lifting",
                  "Lowering", "Brake", kDoorTo0V, "Automatic kneeling"},
                 kToEarth},
        ListCase{"EuropeanStyle", 0x107420, {}, kListA2, kToEarth},
        ListCase{"GroupBWithEveryFlag", 0x107004,
                 {.autoManual = 1, .doorUbatt = 1, .sidewalkMake = 1},
                 with(kListA2, {{2, "Automatic kneeling"}, {3, "Manual kneeling"},
                                {11, kDoorToUbatt}, {12, kSidewalkMake}}),
                 kToUbatt},
        // The name follows the parameter, the state text does not.
        ListCase{"Type107001DoorToUbatt", 0x107001, {.doorUbatt = 1},
                 with(kListA2, {{11, kDoorToUbatt}}), kToEarth},
        ListCase{"Type107002DoorToUbatt", 0x107002, {.doorUbatt = 1},
                 with(kListA2, {{11, kDoorToUbatt}}), kToUbatt}),
    [](const auto& info) { return info.param.name; });

TEST_F(LiveValues, ATypeWithoutSwitchListKeepsTheListAndSendsNothing) {
    useEcu(0x107999, {});
    SwitchList list;
    list.count = 2;
    list.entries[0].name = "kept";
    kelt->BuildSwitchList(list);
    EXPECT_EQ(kelt->LetzterFehlercode, KELT_ERR_NOT_SUPPORTED);
    EXPECT_EQ(list.count, 2);
    EXPECT_EQ(list.entries[0].name, "kept");

    errors.script(GiveUp);
    EXPECT_EQ(kelt->ReadSwitchStates(list), GiveUp);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{KELT_ERR_NOT_SUPPORTED});
    EXPECT_TRUE(ecu->messages().empty());
}

// --- switch states ------------------------------------------------------------------------------

struct StateCase {
    std::string name;
    uint32_t type;
    Flags flags;
    StatusValues values;  // on top of the quiet values
    std::string states;
};

class SwitchStates : public LiveValues, public ::testing::WithParamInterface<StateCase> {};

TEST_P(SwitchStates, Decode) {
    const StateCase& c = GetParam();
    useEcu(c.type, c.flags);
    setStatus(c.values);
    SwitchList list;
    kelt->BuildSwitchList(list);
    EXPECT_EQ(kelt->ReadSwitchStates(list), 0);
    EXPECT_EQ(statesOf(list), c.states);
    EXPECT_TRUE(errors.shownCodes().empty());
}

// Rows of lists A2 and B: axle front, axle rear, kneeling 1, kneeling 2, stop, normal level,
// normal level I/II, lifting, lowering, supply pressure, brake, door, sidewalk. List A1: axle
// front, axle rear, supply pressure, stop, normal level, normal level 4, normal level I/II,
// lifting, lowering, brake, door, automatic kneeling.
INSTANTIATE_TEST_SUITE_P(
    Replies, SwitchStates,
    ::testing::Values(
        // No switch pressed: only the sidewalk detector (a break contact) is closed.
        StateCase{"Quiet", 0x107801, {}, {}, "0000000000001"},
        StateCase{"SwitchByte", 0x107801, {}, {{0x41, {0xDD, 0x03}}}, "1000111110101"},
        StateCase{"BothAxlesAreNone", 0x107801, {}, {{0x41, {0x03, 0x00}}}, "0000000000001"},
        StateCase{"AxleInputsSwapped", 0x107405, {.axleSwapped = 1}, {{0x41, {0x01, 0x00}}},
                  "0100000000001"},
        StateCase{"KneelingInputsAndMakeContact", 0x107406, {.sidewalkMake = 1},
                  {{0x41, {0x20, 0x00}}, {0x47, {0x00, 0}}, {0x43, {89, 0}}}, "0011000000001"},
        StateCase{"StopLocksKneeling", 0x107800, {},
                  {{0x41, {0x04, 0x00}}, {0x47, {0x00, 0}}, {0x43, {0, 0}}}, "0000100000001"},
        StateCase{"KneelingFrom90Open", 0x107800, {}, {{0x43, {90, 0}}}, "0000000000001"},
        StateCase{"SupplyPressure36", 0x107801, {}, {{0x48, {180, 36}}}, "0000000001001"},
        StateCase{"SupplyPressure37", 0x107801, {}, {{0x48, {180, 37}}}, "0000000000001"},
        StateCase{"DoorToEarth36", 0x107801, {}, {{0x44, {150, 36}}}, "0000000000011"},
        StateCase{"DoorToUbatt124", 0x107801, {.doorUbatt = 1}, {{0x44, {150, 124}}},
                  "0000000000001"},
        StateCase{"DoorToUbatt125", 0x107801, {.doorUbatt = 1}, {{0x44, {150, 125}}},
                  "0000000000011"},
        StateCase{"AsianQuiet", 0x107420, {.asian = 1}, {}, "000000000000"},
        StateCase{"AsianInputs", 0x107420, {.asian = 1},
                  {{0x41, {0xDE, 0x05}}, {0x48, {180, 36}}, {0x44, {89, 0}}}, "011111111011"},
        // Group B: the axles come from [0x4B]; the switch byte's axle bits count for nothing.
        StateCase{"GroupBAxleInputs", 0x107004, {}, {{0x4B, {49, 50}}, {0x41, {0x03, 0x00}}},
                  "1000000000001"},
        // 0x107001 inverts the door input to +UB; its sidewalk detector ignores the parameter.
        StateCase{"Type107001", 0x107001, {.doorUbatt = 1, .sidewalkMake = 1},
                  {{0x41, {0x20, 0x00}}}, "0000000000010"},
        StateCase{"Type107002DoorFromTheSwitchByte", 0x107002, {.doorUbatt = 1},
                  {{0x41, {0x00, 0x04}}, {0x44, {0, 0}}}, "0000000000011"}),
    [](const auto& info) { return info.param.name; });

struct OrderCase {
    std::string name;
    std::vector<uint32_t> types;
    uint8_t asian;
    std::vector<uint8_t> services;
};

class SwitchRequests : public LiveValues, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(SwitchRequests, InTheGroupsOrder) {
    for (uint32_t type : GetParam().types) {
        SCOPED_TRACE(type);
        useEcu(type, {.asian = GetParam().asian});
        SwitchList list;
        kelt->BuildSwitchList(list);
        ASSERT_EQ(kelt->ReadSwitchStates(list), 0);
        std::vector<SimBytes> expected;
        for (uint8_t s : GetParam().services) expected.push_back({s});
        EXPECT_EQ(ecu->bodies(), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Groups, SwitchRequests,
    ::testing::Values(
        OrderCase{"A1", {0x107420}, 1, {0x41, 0x48, 0x44}},
        OrderCase{"A2", {0x107405, 0x107406, 0x107420, 0x107800, 0x107801}, 0,
                  {0x41, 0x47, 0x43, 0x44, 0x48}},
        OrderCase{"B1", {0x107001, 0x107002}, 0, {0x4B, 0x41, 0x47, 0x43, 0x48}},
        OrderCase{"B2", {0x107004, 0x107102, 0x107103, 0x107600}, 0,
                  {0x4B, 0x41, 0x47, 0x43, 0x44, 0x48}}),
    [](const auto& info) { return info.param.name; });

class SwitchFailure : public LiveValues, public ::testing::WithParamInterface<int> {};

TEST_P(SwitchFailure, InTheMiddleKeepsTheRowsNotReadYet) {
    useEcu(0x107801, {});
    setStatus({{0x41, {0x04, 0x00}}, {0x47, {0x00, 0}}});
    SwitchList list;
    kelt->BuildSwitchList(list);
    for (_SwitchBasis& entry : list.entries) entry.state = 1;
    ecu->injectNegative({0x43});
    errors.script(GetParam());

    EXPECT_EQ(kelt->ReadSwitchStates(list), GetParam());
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{JED677_NEGATIVE_ANSWER});
    EXPECT_EQ(kelt->LetzterFehlercode, JED677_NEGATIVE_ANSWER);
    EXPECT_EQ(ecu->bodies(), services({0x41, 0x47, 0x43}));
    // New from [0x41] and [0x47]; kneeling 2, supply pressure and door as they were.
    EXPECT_EQ(statesOf(list), "0001100001011");
}

INSTANTIATE_TEST_SUITE_P(Answers, SwitchFailure, ::testing::Values(RepeatOperation, GiveUp));

// A reply that stops before the data byte a row is read from is no reading of that row.
TEST_F(LiveValues, ASwitchReplyTooShortForItsByteIsABadReply) {
    useEcu(0x107801, {});
    SwitchList list;
    kelt->BuildSwitchList(list);
    for (_SwitchBasis& entry : list.entries) entry.state = 1;
    ecu->injectShortReply({0x48}, 3);  // d0 only: the supply pressure is in d1
    errors.script(GiveUp);

    EXPECT_EQ(kelt->ReadSwitchStates(list), GiveUp);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{DIAG_ERR_BAD_REPLY});
    EXPECT_EQ(statesOf(list), "0000000001001");
}

TEST(SwitchImages, FollowKindAndState) {
    const struct {
        uint8_t kind;
        uint8_t state;
        int image;
    } cases[] = {{0, 0, 0}, {0, 1, 1}, {0, 2, 5}, {0, 255, 5}, {1, 0, 3}, {1, 1, 4},
                 {1, 2, 2}, {1, 3, 5}, {2, 0, 5}};
    for (const auto& c : cases) EXPECT_EQ(SwitchImageIndex(c.kind, c.state), c.image) << +c.kind << "/" << +c.state;
}

// --- measured values ----------------------------------------------------------------------------

const std::vector<std::string> kValueNames = {
    "Supply voltage (tl.15, measured by KELT-ECU)", "Voltage on valve relay", "Vehicle speed",
    "Level 1-distance sensor axle", "Level 2-distance sensor axle, left",
    "Level 2-distance sensor axle, right", "Pressure sensor", "Inclination angle, tilt sensor",
    "Inclination angle, tilt sensor arrested"};
const std::vector<std::string> kValueUnits = {"V", "V", "km/h", "counts", "counts",
                                              "counts", "counts", "counts", "counts"};

struct ValueListCase {
    std::string name;
    uint8_t pressure;
    uint8_t tilt;
    std::vector<int> entries;  // indexes into kValueNames
    std::vector<uint8_t> services;
    std::vector<std::string> texts;
};

class Values : public LiveValues {
public:
    void useSensors(uint8_t pressure, uint8_t tilt) {
        useEcu(0x107801, {});
        kelt->CfgPressureSensor = pressure;
        kelt->CfgTiltSensor = tilt;
    }
};

class MeasuredValues : public Values, public ::testing::WithParamInterface<ValueListCase> {};

TEST_P(MeasuredValues, ListAndTexts) {
    const ValueListCase& c = GetParam();
    useSensors(c.pressure, c.tilt);
    setStatus({{0x48, {200, 0}}, {0x47, {0, 100}}, {0x42, {5, 0}}, {0x43, {0, 255}},
               {0x46, {0, 128}}, {0x44, {87, 0}}, {0x4B, {1, 254}}});
    daMesswerteListe list(3);
    EXPECT_TRUE(kelt->BuildMeasuredValueList(list));
    ASSERT_EQ(list.size(), c.entries.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i].name, kValueNames[static_cast<std::size_t>(c.entries[i])]);
        EXPECT_EQ(list[i].unit, kValueUnits[static_cast<std::size_t>(c.entries[i])]);
    }
    EXPECT_TRUE(ecu->messages().empty());

    EXPECT_EQ(kelt->ReadMeasuredValues(list), 0);
    EXPECT_EQ(valuesOf(list), c.texts);
    std::vector<SimBytes> sent;
    for (uint8_t s : c.services) sent.push_back({s});
    EXPECT_EQ(ecu->bodies(), sent);
    EXPECT_TRUE(errors.shownCodes().empty());
}

// 200 x 0.1351 is 27.02; 100 x 0.1351 is 13.51; the speed takes three places; bytes are unsigned.
INSTANTIATE_TEST_SUITE_P(
    Sensors, MeasuredValues,
    ::testing::Values(
        ValueListCase{"PressureAndTilt", 1, 1, {0, 1, 2, 3, 4, 5, 6, 7, 8},
                      {0x48, 0x47, 0x42, 0x43, 0x46, 0x44, 0x4B},
                      {"27.0", "13.5", "  5", "255", "0", "128", "87", "1", "254"}},
        ValueListCase{"TiltOnly", 0, 1, {0, 1, 2, 3, 4, 5, 7, 8},
                      {0x48, 0x47, 0x42, 0x43, 0x46, 0x4B},
                      {"27.0", "13.5", "  5", "255", "0", "128", "1", "254"}},
        ValueListCase{"PressureOnly", 1, 0, {0, 1, 2, 3, 4, 5, 6},
                      {0x48, 0x47, 0x42, 0x43, 0x46, 0x44},
                      {"27.0", "13.5", "  5", "255", "0", "128", "87"}},
        ValueListCase{"Neither", 0, 0, {0, 1, 2, 3, 4, 5}, {0x48, 0x47, 0x42, 0x43, 0x46},
                      {"27.0", "13.5", "  5", "255", "0", "128"}}),
    [](const auto& info) { return info.param.name; });

// The configuration may have changed since the list was built: values go only to the entries the
// list holds, each into the entry of its own name.
TEST_F(Values, AListBuiltUnderOtherFlagsIsFilledAsFarAsItGoes) {
    setStatus({{0x44, {87, 0}}, {0x4B, {1, 254}}});

    useSensors(1, 1);
    daMesswerteListe full;
    kelt->BuildMeasuredValueList(full);
    for (_MesswerteListe& entry : full) entry.value = "old";
    kelt->CfgPressureSensor = kelt->CfgTiltSensor = 0;
    EXPECT_EQ(kelt->ReadMeasuredValues(full), 0);
    EXPECT_EQ(ecu->bodies(), services({0x48, 0x47, 0x42, 0x43, 0x46}));
    EXPECT_EQ(valuesOf(full)[5], "122");
    EXPECT_EQ(valuesOf(full)[6], "old");
    EXPECT_EQ(valuesOf(full)[8], "old");

    useSensors(0, 1);
    daMesswerteListe tiltOnly;
    kelt->BuildMeasuredValueList(tiltOnly);
    kelt->CfgPressureSensor = 1;
    EXPECT_EQ(kelt->ReadMeasuredValues(tiltOnly), 0);
    ASSERT_EQ(tiltOnly.size(), 8u);
    EXPECT_EQ(tiltOnly[6].name, kValueNames[7]);
    EXPECT_EQ(valuesOf(tiltOnly)[6], "1");
    EXPECT_EQ(valuesOf(tiltOnly)[7], "254");
}

class MeasuredValueFailure : public Values, public ::testing::WithParamInterface<int> {};

TEST_P(MeasuredValueFailure, InTheMiddleKeepsTheEntriesNotReadYet) {
    useSensors(1, 1);
    daMesswerteListe list;
    kelt->BuildMeasuredValueList(list);
    for (_MesswerteListe& entry : list) entry.value = "old";
    ecu->injectUndervoltage({0x43});
    errors.script(GetParam());

    EXPECT_EQ(kelt->ReadMeasuredValues(list), GetParam());
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{KELT_ERR_UNDERVOLTAGE});
    EXPECT_EQ(ecu->bodies(), services({0x48, 0x47, 0x42, 0x43}));
    EXPECT_EQ(valuesOf(list), (std::vector<std::string>{"24.3", "0.0", " 17", "old", "old", "old",
                                                        "old", "old", "old"}));
}

INSTANTIATE_TEST_SUITE_P(Answers, MeasuredValueFailure, ::testing::Values(RepeatOperation, GiveUp));

TEST_F(Values, AReplyTooShortForItsByteIsABadReply) {
    useSensors(0, 0);
    daMesswerteListe list;
    kelt->BuildMeasuredValueList(list);
    ecu->injectShortReply({0x47}, 3);  // the relay voltage is in d1
    errors.script(GiveUp);
    EXPECT_EQ(kelt->ReadMeasuredValues(list), GiveUp);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{DIAG_ERR_BAD_REPLY});
    EXPECT_EQ(valuesOf(list), (std::vector<std::string>{"24.3", "", "", "", "", ""}));
}

TEST_F(Values, ATypeOutsideTheSetHasNoValuesAndSendsNothing) {
    useEcu(0x107999, {});
    daMesswerteListe list(2);
    EXPECT_TRUE(kelt->BuildMeasuredValueList(list));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(kelt->ReadMeasuredValues(list), 0);
    EXPECT_TRUE(ecu->messages().empty());
    EXPECT_TRUE(errors.shownCodes().empty());
}

// --- demo ---------------------------------------------------------------------------------------

class LiveValuesInDemo : public InDemoMode<LiveValues> {
public:
    FakeClock clock{1000};

    void SetUp() override {
        InDemoMode::SetUp();
        kelt->setClock(clock);
        useType(0x107801);
        ASSERT_EQ(kelt->ReadConfiguration(), 0);
    }
    void TearDown() override {
        EXPECT_EQ(driverCalls, 0);
        EXPECT_TRUE(errors.shownCodes().empty());
        InDemoMode::TearDown();
    }
};

TEST_F(LiveValuesInDemo, MeasuredValuesAreTheSampleTexts) {
    daMesswerteListe list;
    kelt->BuildMeasuredValueList(list);
    ASSERT_EQ(list.size(), 9u);
    EXPECT_EQ(kelt->ReadMeasuredValues(list), 0);
    EXPECT_EQ(valuesOf(list), (std::vector<std::string>{"22", "24", "0", "104", "120", "122", "87",
                                                        "100", "103"}));

    // A list without the pressure entry gets the tilt texts in its tilt entries, nothing beyond.
    kelt->CfgPressureSensor = 0;
    kelt->BuildMeasuredValueList(list);
    EXPECT_EQ(kelt->ReadMeasuredValues(list), 0);
    EXPECT_EQ(valuesOf(list), (std::vector<std::string>{"22", "24", "0", "104", "120", "122",
                                                        "100", "103"}));
}

TEST_F(LiveValuesInDemo, SwitchRowsAlternateEveryOneAndAHalfSeconds) {
    SwitchList list;
    kelt->BuildSwitchList(list);
    ASSERT_EQ(list.count, 13);
    list.entries[12].state = 1;  // the demo leaves the last row alone

    EXPECT_EQ(kelt->ReadSwitchStates(list), 0);
    EXPECT_EQ(statesOf(list), "0101010010101");  // 0xAA from the first poll on
    clock.advance(1500);
    EXPECT_EQ(kelt->ReadSwitchStates(list), 0);
    EXPECT_EQ(statesOf(list), "0101010010101");
    clock.advance(1);
    EXPECT_EQ(kelt->ReadSwitchStates(list), 0);
    EXPECT_EQ(statesOf(list), "1010101101011");  // 0x55

    // The pattern belongs to the ECU layer: a window opened between two changes goes on with it.
    clock.advance(700);
    SwitchList next;
    kelt->BuildSwitchList(next);
    EXPECT_EQ(kelt->ReadSwitchStates(next), 0);
    EXPECT_EQ(statesOf(next), "1010101101010");
    clock.advance(801);
    EXPECT_EQ(kelt->ReadSwitchStates(next), 0);
    EXPECT_EQ(statesOf(next), "0101010010100");
}

}  // namespace
