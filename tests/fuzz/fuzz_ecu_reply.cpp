// The ECU layer's decoders over the real driver: KELTInterface reads the identification, the
// configuration, the fault memory, local-id records, status values, measured values, switches
// and the parameter block through a DiagDriver on a scripted link, and every request gets the
// reply the input chooses (any message, a status or pending frame, silence, a frame with a bad
// checksum, a wrong length or another command). The error dialog's answers come from the input
// too: a few repeats, then a give-up. What must hold:
// - no read past the reply: the same input run a second time with every byte behind the reply's
//   own length changed gives the very same requests, answers and decoded values; the caller's
//   buffers are exactly as large as stated, so ASan sees any byte written beyond them;
// - every reply either decodes or gives a status code: a reply the operation cannot decode is
//   followed by an error dialog (or, for the low-level calls, a status code), and a success
//   carries exactly the reply bytes the ECU sent;
// - nothing is sent after a give-up, and a give-up ends the operation as given up.
// FUZZ_ECU_TRACE=1 prints what both runs of an input did.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DiagDr32.h"
#include "DiagDriver.h"
#include "ErrorReporter.h"
#include "FuzzSupport.h"
#include "Jed677Calls.h"
#include "KELTInterface.h"
#include "ParameterBlock.h"
#include "ScriptedLink.h"
#include "ScriptedMessageBoxes.h"
#include "SessionView.h"

namespace {

constexpr uint8_t kCmdMessage = 0x11;
constexpr uint8_t kPending = 0x78;
constexpr uint8_t kNegative = 0x05;
constexpr uint8_t kReadLocalId = 0x14;
constexpr uint8_t kWriteLocalId = 0x13;

size_t announcedLength(uint8_t header) { return (header & 0x80) ? (header & 0x7Fu) + 1u : 1u; }

// What the scripted ECU did with one request.
struct Served {
    enum class Kind { Message, Status, Silence, BadFrame, WrongCommand };
    Bytes request;  // the request's data (the JED677 message for command 0x11)
    uint8_t command = 0;
    Kind kind = Kind::Silence;
    Bytes data;     // the reply frame's data, the bytes behind the message included
};

// One error dialog shown.
struct Shown {
    size_t servedBefore;  // replies served when it was shown
    size_t writesBefore;  // frames written when it was shown
    int32_t code;
    int answer;
};

// The error dialog: a few repeats, then a give-up for every further code.
class ScriptedGiveUp final : public ErrorReporter {
public:
    ScriptedGiveUp(int repeats, const std::vector<Served>& served, const ScriptedLink& link)
        : repeats_(repeats), served_(served), link_(link) {}
    int FehlerAnzeigen(int32_t code) override {
        if (code == 0) return NoErrorShown;
        const int answer = repeats_ > 0 ? RepeatOperation : GiveUp;
        if (repeats_ > 0) --repeats_;
        shown.push_back({served_.size(), link_.writes().size(), code, answer});
        return answer;
    }
    std::vector<Shown> shown;

private:
    int repeats_;
    const std::vector<Served>& served_;
    const ScriptedLink& link_;
};

enum class Op {
    Connect,
    Identification,
    Configuration,
    FaultMemory,
    CurrentFault,
    LocalIdRecord,
    LocalId,
    StatusValues,
    MeasuredValues,
    Switches,
    ReadParameters,
    WriteParameters,
    EcuAddress,
    BaudCode,
    LevelValues,
    PressureOffset,
    CalibrationType,
    kCount
};

bool isNegative(const Bytes& d, size_t announced) {
    return d[0] == kNegative || ((d[0] & 0x80) && announced >= 2 && d[1] == kNegative);
}

// Whether the operation must be able to decode the reply to `s`, and the shortest message it
// decodes; `exact`: only that length; `refusalInHeader`: a refusal in header form (0x8n 0x05)
// counts as an answer. False: the reply may be left unexamined.
bool replyRule(Op op, const Served& s, size_t& minimum, bool& exact, bool& refusalInHeader) {
    exact = false;
    refusalInHeader = false;
    minimum = 3;
    if (s.command != kCmdMessage || s.request.empty()) return false;
    const Bytes& m = s.request;
    if (!(m[0] & 0x80)) {
        switch (m[0]) {
            case 0x02:
                // The driver's identification knows only the one-byte refusal; the start of the
                // diagnosis takes its identifier from the words ([0x08]) anyway.
                refusalInHeader = op == Op::Connect;
                minimum = op == Op::Connect ? 12 : 10;
                return true;
            case 0x08: return false;  // identifier words: a refusal means none
            case 0x0F: return false;  // end of the communication
            case 0x11: minimum = 2 + kFaultStatusBytes; return true;
            default: return true;
        }
    }
    if (m.size() < 2) return true;
    if (m[1] == kWriteLocalId) {
        minimum = 1;
        return true;
    }
    if (m[1] == kReadLocalId && m.size() >= 3) {
        switch (op) {
            case Op::LocalId: minimum = 2; return true;
            case Op::Connect: minimum = m[2] == 0x70 ? 4 : 3; return true;
            case Op::Configuration: minimum = 4; return true;
            default: minimum = 4; exact = true; return true;
        }
    }
    return true;
}

// Whether the reply is a message the operation can decode.
bool decodable(Op op, const Served& s) {
    size_t minimum = 0;
    bool exact = false;
    bool refusalInHeader = false;
    if (!replyRule(op, s, minimum, exact, refusalInHeader)) return true;
    if (s.kind != Served::Kind::Message || s.data.empty()) return false;
    const size_t announced = announcedLength(s.data[0]);
    if (announced > s.data.size() || s.data[0] == kNegative) return false;
    if (!refusalInHeader && isNegative(s.data, announced)) return false;
    return exact ? announced == minimum : announced >= minimum;
}

// The reply to the last request for local id `id` among served[from..].
const Served* lastLocalIdRead(const std::vector<Served>& served, size_t from, uint8_t id) {
    for (size_t i = served.size(); i > from; --i) {
        const Served& s = served[i - 1];
        if (s.command == kCmdMessage && s.request.size() >= 3 && s.request[0] == 0x82 &&
            s.request[1] == kReadLocalId && s.request[2] == id)
            return &s;
    }
    return nullptr;
}

const Served* lastService(const std::vector<Served>& served, size_t from, uint8_t service) {
    for (size_t i = served.size(); i > from; --i) {
        const Served& s = served[i - 1];
        if (s.command == kCmdMessage && !s.request.empty() && s.request[0] == service) return &s;
    }
    return nullptr;
}

double numberIn(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

class EcuRun {
public:
    EcuRun(const uint8_t* data, size_t size, bool changeBehindReply)
        : in_(data, size), changeBehindReply_(changeBehindReply) {}

    std::string run();

private:
    void answer(const Bytes& written, ScriptedLink& link);
    Bytes message(uint8_t how, uint8_t command, const Bytes& request);
    Bytes frame(uint8_t command, const Bytes& data) const {
        return generation_ == 2 ? frame16(command, data) : frame8(command, data);
    }
    void note(const std::string& text) { transcript_ += text + "\n"; }
    // The checks every operation that answers with a retry answer keeps.
    void checkAnswer(Op op, int answer, size_t servedFrom, size_t shownFrom, size_t writesFrom,
                     size_t boxesFrom);
    int runOne(Op op);

    FuzzedDataProvider in_;
    const bool changeBehindReply_;
    uint8_t generation_ = 1;
    bool framed_ = true;
    std::string transcript_;
    std::vector<Served> served_;
    FakeClock clock_;
    ScriptedLink* link_ = nullptr;
    ScriptedGiveUp* errors_ = nullptr;
    ScriptedMessageBoxes* boxes_ = nullptr;
    KELTInterface* kelt_ = nullptr;
    Op op_ = Op::Connect;  // the operation running
    std::string vin_ = "VIN";
    std::map<uint8_t, std::array<uint8_t, 2>> records_;  // what the ECU was last told per local id
};

// The shortest message that answers `request` in full, so that bytes behind it lie right after
// the last one a decoder may read: a local-id record, the 40 fault-memory status bytes, the
// identification (the driver's own read of it takes two bytes more), two status bytes, a
// write's acknowledgement.
size_t fullAnswerLength(Op op, uint8_t command, const Bytes& request) {
    if (command != kCmdMessage || request.empty()) return 4;
    if (request[0] & 0x80) return request.size() >= 2 && request[1] == kWriteLocalId ? 3 : 4;
    switch (request[0]) {
        case 0x02: return op == Op::Connect ? 12 : 10;
        case 0x08: return 6;
        case 0x11: return 2 + kFaultStatusBytes;
        default: return 4;
    }
}

// A reply of the input's bytes. By default (also once the input is used up) a message in full
// that answers the request's service, so whole runs of good replies are common; the bits of
// `how` choose a length of the input's instead (0x10), a header and byte 1 of the input's
// (0x20), byte 1 echoing the service (0x40), and bytes behind the message (0x80).
Bytes EcuRun::message(uint8_t how, uint8_t command, const Bytes& request) {
    const bool jed677 = command == kCmdMessage;
    const size_t length = (how & 0x10) ? in_.ConsumeIntegralInRange<size_t>(1, 2 + kFaultStatusBytes + 4)
                                       : fullAnswerLength(op_, command, request);
    Bytes m;
    if (jed677 && !(how & 0x20) && length >= 2) {
        const bool header = request.size() >= 2 && (request[0] & 0x80);
        const uint8_t service = header ? request[1] : (request.empty() ? 0 : request[0]);
        m = {static_cast<uint8_t>(0x80 | (length - 1)),
             static_cast<uint8_t>((how & 0x40) ? service : service + 0x40)};
    }
    // A record written before is read back as written, as an ECU keeps it.
    const bool readsLocalId = jed677 && request.size() >= 3 && request[0] == 0x82 && request[1] == kReadLocalId;
    const auto kept = readsLocalId ? records_.find(request[2]) : records_.end();
    if (m.size() == 2 && length == 4 && kept != records_.end()) {
        m.insert(m.end(), kept->second.begin(), kept->second.end());
    }
    const Bytes rest = in_.ConsumeBytes<uint8_t>(length - std::min(length, m.size()));
    m.insert(m.end(), rest.begin(), rest.end());
    m.resize(length);
    if (how & 0x80) {
        const Bytes tail = in_.ConsumeBytes<uint8_t>(in_.ConsumeIntegralInRange<size_t>(1, 16));
        m.insert(m.end(), tail.begin(), tail.end());
    }
    // Only a JED677 message says its own length; other replies are read whole.
    if (changeBehindReply_ && jed677) {
        for (size_t i = announcedLength(m[0]); i < m.size(); ++i) m[i] = static_cast<uint8_t>(~m[i]);
    }
    return m;
}

void EcuRun::answer(const Bytes& written, ScriptedLink& link) {
    const size_t header = generation_ == 2 ? 3 : 2;
    Served s;
    s.command = written.empty() ? 0 : written[0];
    if (written.size() > header) s.request.assign(written.begin() + header, written.end() - 1);
    const Bytes& m = s.request;
    if (s.command == kCmdMessage && m.size() >= 5 && m[0] == 0x84 && m[1] == kWriteLocalId)
        records_[m[2]] = {m[3], m[4]};
    const uint8_t how = in_.ConsumeIntegral<uint8_t>();
    switch (how % 16) {
        case 10: {
            const uint8_t status = in_.ConsumeIntegral<uint8_t>();
            if (status != kPending) {
                s.kind = Served::Kind::Status;
                s.data = {status};
                link.queue(frame(0, s.data));
                break;
            }
            [[fallthrough]];
        }
        case 11:
            // Pending first: the reply follows in another frame.
            link.queue(frame(0, {kPending}));
            s.kind = Served::Kind::Message;
            s.data = message(how, s.command, s.request);
            link.queue(frame(s.command, s.data));
            break;
        case 12:
            s.kind = Served::Kind::Silence;
            link.queueSilence();
            break;
        case 13: {
            s.kind = Served::Kind::BadFrame;
            Bytes f = frame(s.command, message(how, s.command, s.request));
            f.back() = static_cast<uint8_t>(f.back() + 1 + in_.ConsumeIntegralInRange<uint8_t>(0, 254));
            link.queue(f);
            break;
        }
        case 14: {
            // A length field that does not describe the frame (only a framed link can tell).
            s.kind = Served::Kind::BadFrame;
            Bytes f = frame(s.command, message(how, s.command, s.request));
            if (!framed_) {
                f.back() = static_cast<uint8_t>(f.back() + 1);
            } else {
                f[header - 1] = static_cast<uint8_t>(f[header - 1] + in_.ConsumeIntegralInRange<uint8_t>(1, 255));
                unsigned sum = 0;
                for (size_t i = 0; i + 1 < f.size(); ++i) sum += f[i];
                f.back() = static_cast<uint8_t>(sum);
            }
            link.queue(f);
            break;
        }
        case 15: {
            s.kind = Served::Kind::WrongCommand;
            uint8_t other = static_cast<uint8_t>(s.command + in_.ConsumeIntegralInRange<uint8_t>(1, 0x7E));
            if (other == 0 || other == (s.command | 0x80)) other = 0x7F;
            link.queue(frame(other, message(how, s.command, s.request)));
            break;
        }
        default:
            s.kind = Served::Kind::Message;
            s.data = message(how, s.command, s.request);
            link.queue(frame(s.command, s.data));
    }
    served_.push_back(s);
}

void EcuRun::checkAnswer(Op op, int answer, size_t servedFrom, size_t shownFrom,
                         size_t writesFrom, size_t boxesFrom) {
    const std::vector<Shown>& shown = errors_->shown;
    FUZZ_CHECK(answer == NoErrorShown || answer == RepeatOperation || answer == GiveUp);
    // Every shown dialog stands for a code, never for success.
    for (size_t i = shownFrom; i < shown.size(); ++i) FUZZ_CHECK(shown[i].code != 0);
    if (answer != NoErrorShown) {
        // Either the answer of the dialog shown last, or a block the ECU did not keep (20101).
        const bool fromDialog = shown.size() > shownFrom && shown.back().answer == answer;
        const bool notStored = answer == GiveUp && boxes_->shown.size() > boxesFrom;
        FUZZ_CHECK(fromDialog || notStored);
    }
    // A give-up ends the operation: nothing more is sent, and it answers as given up.
    for (size_t i = shownFrom; i < shown.size(); ++i) {
        if (shown[i].answer != GiveUp) continue;
        FUZZ_CHECK(link_->writes().size() == shown[i].writesBefore);
        FUZZ_CHECK(answer == GiveUp);
        break;
    }
    FUZZ_CHECK(link_->writes().size() >= writesFrom);
    // A reply the operation cannot decode is followed by a dialog (or a message that the ECU
    // did not keep the block), never taken for data.
    for (size_t i = servedFrom; i < served_.size(); ++i) {
        if (decodable(op, served_[i])) continue;
        const bool dialogAfter = std::any_of(shown.begin() + static_cast<long>(shownFrom), shown.end(),
                                             [i](const Shown& d) { return d.servedBefore > i; });
        FUZZ_CHECK(dialogAfter || (answer == GiveUp && boxes_->shown.size() > boxesFrom));
    }
}

int EcuRun::runOne(Op op) {
    KELTInterface& k = *kelt_;
    const size_t servedFrom = served_.size();
    const size_t shownFrom = errors_->shown.size();
    const size_t writesFrom = link_->writes().size();
    const size_t boxesFrom = boxes_->shown.size();
    op_ = op;
    std::string out = "op " + std::to_string(static_cast<int>(op));
    int answer = NoErrorShown;
    bool retryAnswer = true;

    switch (op) {
        case Op::Connect: {
            const ConnectResult r = k.ConnectEcu();
            answer = r.answer;
            out += " start " + std::to_string(r.startFailure) + " id " + k.EcuDiagnosticIdentification;
            if (r.startFailure != 0) FUZZ_CHECK(r.answer == NoErrorShown);
            if (r.connected()) {
                FUZZ_CHECK(k.EcuDiagnosticIdentification.size() == 8);
                const Served* ident = lastService(served_, servedFrom, 0x02);
                FUZZ_CHECK(ident && decodable(op, *ident));
                if (k.CheckEcuSupported()) k.DeriveEcuType();
            }
            break;
        }
        case Op::Identification: {
            answer = k.ReadIdentification();
            out += " " + k.EcuProductNumber + "|" + k.EcuDateOfProduction + "|" + k.EcuSoftwareVersion +
                   "|" + vin_;
            if (answer == NoErrorShown) {
                const Served* ident = lastService(served_, servedFrom, 0x02);
                const Served* release = lastService(served_, servedFrom, 0x40);
                FUZZ_CHECK(ident && release && decodable(op, *ident) && decodable(op, *release));
                char text[32];
                std::snprintf(text, sizeof text, "%X.%X.%X.%X.", ident->data[7] >> 4,
                              ident->data[7] & 15, release->data[2] >> 4, release->data[2] & 15);
                FUZZ_CHECK(k.EcuSoftwareVersion == text);
                FUZZ_CHECK(vin_.empty());
            }
            break;
        }
        case Op::Configuration: {
            answer = k.ReadConfiguration();
            out += " " + k.ReadConfigurationTexts() + std::to_string(k.AsianStyle) +
                   std::to_string(k.CfgMainThrottle) + std::to_string(k.CfgTiltSensor) +
                   std::to_string(k.CfgPressureSensor) + std::to_string(k.CfgSidewalkMakeContact);
            if (answer == NoErrorShown) {
                const Served* first = lastLocalIdRead(served_, servedFrom, 0xD1);
                const Served* second = lastLocalIdRead(served_, servedFrom, 0xD2);
                FUZZ_CHECK(first && second && decodable(op, *first) && decodable(op, *second));
                const uint8_t a = first->data[2], b = first->data[3], c = second->data[2];
                FUZZ_CHECK(k.CfgFrontAxle == ((a >> 1) & 1));
                FUZZ_CHECK(k.CfgPeripheryDetection == ((a >> 7) & 1));
                FUZZ_CHECK(k.CfgKneelingAutoManual == ((b >> 3) & 1));
                FUZZ_CHECK(k.CfgCrossThrottle == ((c >> 1) & 1));
                FUZZ_CHECK(k.CfgDoorContactUbatt == ((c >> 7) & 1));
            }
            break;
        }
        case Op::FaultMemory: {
            FaultEntryTable entries{};
            answer = k.ReadFaultMemory(entries);
            int written = 0;
            for (const FehlerEintrag& e : entries) {
                if (e.Zaehler == 255 && e.Status == 0) continue;
                ++written;
                out += " " + std::to_string(e.KomponentenCode) + "/" + std::to_string(e.FehlerartCode) +
                       "/" + std::to_string(e.Nummer) + "/" + std::to_string(e.Status) + "/" +
                       std::to_string(e.Zaehler);
            }
            if (answer == NoErrorShown && isStandardEcuType(k.EcuTyp)) {
                // Bit rows give one entry per set bit, status rows one per bit 7 and bit 6.
                const Served* reply = lastService(served_, servedFrom, 0x11);
                FUZZ_CHECK(reply && decodable(op, *reply));
                int expected = 0;
                for (size_t row = 0; row < kFaultStatusBytes; ++row) {
                    const uint8_t b = reply->data[2 + row];
                    const bool statusRow = (row >= 4 && row <= 10) || row == 13 || row == 14 ||
                                           (row >= 17 && row <= 22);
                    if (row < 4) expected += __builtin_popcount(b);
                    if (statusRow) expected += ((b >> 7) & 1) + ((b >> 6) & 1);
                }
                FUZZ_CHECK(written == expected);
            }
            break;
        }
        case Op::CurrentFault:
            answer = k.UpdateCurrentFault();
            out += " " + std::to_string(k.CurrentComponent) + "/" + std::to_string(k.CurrentMode);
            break;
        case Op::LocalIdRecord: {
            retryAnswer = false;
            const uint8_t id = in_.ConsumeIntegral<uint8_t>();
            LocalIdRecord record = {0xA5, 0x5A};
            const int32_t code = k.ReadLocalIdRecord(id, record);
            out += " " + std::to_string(code) + " " + std::to_string(record[0]) + "," + std::to_string(record[1]);
            FUZZ_CHECK(served_.size() == servedFrom + 1);
            if (code == 0) {
                // Exactly the record's two bytes, in a read answer.
                const Served& s = served_.back();
                FUZZ_CHECK(decodable(op, s));
                FUZZ_CHECK(record[0] == s.data[2] && record[1] == s.data[3]);
            } else {
                FUZZ_CHECK(record[0] == 0xA5 && record[1] == 0x5A);
            }
            break;
        }
        case Op::LocalId: {
            retryAnswer = false;
            const uint8_t id = in_.ConsumeIntegral<uint8_t>();
            const size_t room = in_.ConsumeIntegralInRange<size_t>(0, 140);
            uint16_t position = in_.ConsumeIntegralInRange<uint16_t>(0, 150);
            const uint16_t before = position;
            // Exactly the stated room: a byte written beyond it is an ASan finding.
            std::unique_ptr<uint8_t[]> destination(new uint8_t[room]);
            std::fill_n(destination.get(), room, uint8_t{0xEE});
            const int32_t code = k.ReadLocalId(id, position, std::span<uint8_t>(destination.get(), room));
            out += " " + std::to_string(code) + " " + std::to_string(position);
            for (size_t i = 0; i < room; ++i) out += "," + std::to_string(destination[i]);
            FUZZ_CHECK(position <= std::max<size_t>(room, before));
            if (code == 0) {
                if (!served_.empty() && served_.size() > servedFrom) {
                    const Served& s = served_.back();
                    FUZZ_CHECK(decodable(op, s));
                    const size_t announced = announcedLength(s.data[0]);
                    FUZZ_CHECK(position == before + announced - 2);
                    FUZZ_CHECK(std::equal(s.data.begin() + 2, s.data.begin() + static_cast<long>(announced),
                                          destination.get() + before));
                }
            } else {
                FUZZ_CHECK(position == before);
            }
            break;
        }
        case Op::StatusValues: {
            DisplayTexts texts;
            answer = k.ReadStatusValues(texts);
            out += " " + texts.Terminal15VoltageText + "|" + texts.SpeedText + "|" + texts.RelayValveVoltageText;
            if (answer == NoErrorShown && isStandardEcuType(k.EcuTyp)) {
                const Served* voltage = lastService(served_, servedFrom, 0x48);
                const Served* speed = lastService(served_, servedFrom, 0x42);
                const Served* relay = lastService(served_, servedFrom, 0x47);
                FUZZ_CHECK(voltage && speed && relay);
                FUZZ_CHECK(decodable(op, *voltage) && decodable(op, *speed) && decodable(op, *relay));
                // The relay voltage is the second data byte.
                FUZZ_CHECK(announcedLength(relay->data[0]) >= 4);
                FUZZ_CHECK(numberIn(texts.SpeedText) == speed->data[2]);
                FUZZ_CHECK(std::fabs(numberIn(texts.Terminal15VoltageText) - voltage->data[2] * 0.135) <= 0.051);
                FUZZ_CHECK(std::fabs(numberIn(texts.RelayValveVoltageText) - relay->data[3] * 0.135) <= 0.051);
            }
            break;
        }
        case Op::MeasuredValues: {
            daMesswerteListe list;
            k.BuildMeasuredValueList(list);
            answer = k.ReadMeasuredValues(list);
            for (const _MesswerteListe& e : list) out += " " + e.value;
            break;
        }
        case Op::Switches: {
            SwitchList list;
            k.BuildSwitchList(list);
            answer = k.ReadSwitchStates(list);
            FUZZ_CHECK(list.count <= SwitchList::kMaxEntries);
            for (size_t i = 0; i < list.count; ++i) out += std::to_string(list.entries[i].state);
            break;
        }
        case Op::ReadParameters: {
            const size_t room = in_.ConsumeIntegralInRange<size_t>(0, kMaxParameterBlock + 4);
            std::unique_ptr<uint8_t[]> buffer(new uint8_t[room]);
            std::fill_n(buffer.get(), room, uint8_t{0xEE});
            uint16_t count = 0;
            answer = k.ReadParameters(count, std::span<uint8_t>(buffer.get(), room));
            out += " " + std::to_string(count);
            FUZZ_CHECK(count <= room);
            for (size_t i = 0; i < count; ++i) out += "," + std::to_string(buffer[i]);
            if (answer == NoErrorShown) {
                // Every id of the type in order, two bytes each, as the ECU sent them.
                const size_t ids = parameterIdCount(k.EcuTyp);
                FUZZ_CHECK(count == 2 * ids);
                FUZZ_CHECK(served_.size() - servedFrom == ids);
                for (size_t i = 0; i < ids; ++i) {
                    const Served& s = served_[servedFrom + i];
                    FUZZ_CHECK(s.request.size() >= 3 && s.request[2] == kFirstParameterId + i);
                    FUZZ_CHECK(buffer[2 * i] == s.data[2] && buffer[2 * i + 1] == s.data[3]);
                }
            }
            break;
        }
        case Op::WriteParameters: {
            const size_t ids = parameterIdCount(k.EcuTyp);
            // Mostly the type's length (also once the input is used up).
            const uint16_t count = in_.ConsumeBool() ? in_.ConsumeIntegralInRange<uint16_t>(0, kMaxParameterBlock + 2)
                                                     : static_cast<uint16_t>(2 * ids);
            Bytes block = in_.ConsumeBytes<uint8_t>(count);
            block.resize(count);
            std::unique_ptr<uint8_t[]> exact(new uint8_t[count]);
            std::copy(block.begin(), block.end(), exact.get());
            answer = k.WriteParameters(count, std::span<const uint8_t>(exact.get(), count));
            if (answer == NoErrorShown) {
                // The check byte: 1 + the block's bytes + byte 1 of 0xD0 as the ECU had it.
                const Served* check = nullptr;
                for (size_t i = servedFrom; i < served_.size() && !check; ++i) {
                    const Bytes& m = served_[i].request;
                    if (m.size() >= 3 && m[0] == 0x82 && m[1] == kReadLocalId && m[2] == kParameterCheckId)
                        check = &served_[i];
                }
                FUZZ_CHECK(check && decodable(op, *check));
                unsigned sum = 1 + check->data[3];
                for (uint8_t b : block) sum += b;
                bool written = false;
                for (size_t i = servedFrom; i < served_.size(); ++i) {
                    const Bytes& m = served_[i].request;
                    if (m.size() >= 5 && m[0] == 0x84 && m[1] == kWriteLocalId && m[2] == kParameterCheckId) {
                        FUZZ_CHECK(m[3] == static_cast<uint8_t>(sum) && m[4] == check->data[3]);
                        written = true;
                    }
                }
                FUZZ_CHECK(written);
            }
            break;
        }
        case Op::EcuAddress: {
            uint8_t address = 0xEE;
            answer = k.ReadEcuAddress(address);
            out += " " + std::to_string(address);
            break;
        }
        case Op::BaudCode: {
            uint8_t code = 0xEE;
            answer = k.ReadBaudCode(code);
            out += " " + std::to_string(code);
            break;
        }
        case Op::LevelValues: {
            LevelValues values{};
            answer = k.ReadLevelValues(values);
            for (uint16_t v : {values.NormalRear, values.NormalFront, values.UpperRear, values.UpperFront,
                               values.LowerRear, values.LowerFront, values.LeftRightDifference})
                out += " " + std::to_string(v);
            break;
        }
        case Op::PressureOffset: {
            uint16_t offset = 0xEEEE;
            answer = k.ReadPressureOffset(offset);
            out += " " + std::to_string(offset);
            break;
        }
        case Op::CalibrationType: {
            uint8_t type = 0xEE;
            answer = k.ReadCalibrationType(type);
            out += " " + std::to_string(type);
            break;
        }
        case Op::kCount:
            break;
    }

    out += " answer " + std::to_string(answer) + " code " + std::to_string(k.LetzterFehlercode);
    note(out);
    if (retryAnswer) {
        checkAnswer(op, answer, servedFrom, shownFrom, writesFrom, boxesFrom);
    } else {
        // The low-level calls show nothing: their code is the whole answer.
        FUZZ_CHECK(errors_->shown.size() == shownFrom);
        for (size_t i = servedFrom; i < served_.size(); ++i)
            if (!decodable(op, served_[i])) FUZZ_CHECK(k.LetzterFehlercode != 0);
    }
    return answer;
}

std::string EcuRun::run() {
    framed_ = in_.ConsumeBool();
    generation_ = framed_ && in_.ConsumeBool() ? 2 : 1;
    const int repeats = in_.ConsumeIntegralInRange<int>(0, 3);
    const size_t typeIndex = in_.ConsumeIntegralInRange<size_t>(0, kStandardEcuTypes.size());
    const uint32_t ecuType = typeIndex < kStandardEcuTypes.size()
                                 ? kStandardEcuTypes[typeIndex]
                                 : in_.ConsumeIntegralInRange<uint32_t>(0, 0xFFFFFF);
    const uint8_t flags = in_.ConsumeIntegral<uint8_t>();
    const int operations = in_.ConsumeIntegralInRange<int>(1, 4);
    std::vector<Op> ops;
    for (int i = 0; i < operations; ++i)
        ops.push_back(static_cast<Op>(in_.ConsumeIntegralInRange<int>(0, static_cast<int>(Op::kCount) - 1)));

    auto owned = std::make_unique<ScriptedLink>(framed_, &clock_);
    link_ = owned.get();
    link_->onWrite = [this](const Bytes& written, ScriptedLink& link) { answer(written, link); };
    DiagDriver driver(clock_);
    driver.attachLink(std::move(owned));
    driver.setGeneration(generation_);

    // The layer's table over this driver, as exportedJed677Calls binds it to the process-wide one.
    Jed677Calls calls;
    calls.JED677OpenDiagDriver = [](const char*, const char*, uint8_t) { return DIAG_ERR_NOT_OPEN; };
    calls.JED677Config = [&driver](uint16_t a, uint16_t b, uint16_t c) { return driver.jed677Config(a, b, c); };
    calls.JED677AppVersion = [&driver](char* buffer, uint32_t size) { return driver.jed677AppVersion(buffer, size); };
    calls.JED677StartCommunication = [&driver](uint32_t, uint8_t address, uint16_t* baud, uint16_t* word) {
        return driver.jed677StartCommunication(address, *baud, *word);
    };
    calls.JED677Ident = [&driver](JED677IdentData* ident, int32_t words[4]) { return driver.jed677Ident(*ident, words); };
    calls.JED677SendData = [&driver](uint16_t* length, uint8_t* message, uint32_t capacity) {
        return driver.jed677SendData(*length, message, capacity);
    };
    calls.JED677StopCommunication = [&driver] { return driver.jed677StopCommunication(); };
    calls.JED677CloseDiagDriver = [&driver] { return driver.jed677Close(); };

    ScriptedGiveUp errors(repeats, served_, *link_);
    errors_ = &errors;
    ScriptedMessageBoxes boxes;
    boxes_ = &boxes;
    static const std::string ini = (fuzz::freshFolder() / "KELT.INI").string();  // never written
    DiagAttrStruct attr;
    attr.AppIni = ini;
    const uint8_t demoMode = 0;
    KELTInterface kelt(std::move(calls), errors, attr, demoMode, vin_);
    kelt.setClock(clock_);
    kelt_ = &kelt;
    kelt.EcuTyp = ecuType;
    kelt.AsianStyle = flags & 1;
    kelt.CfgPressureSensor = (flags >> 1) & 1;
    kelt.CfgTiltSensor = (flags >> 2) & 1;
    kelt.CfgAxleInputsSwapped = (flags >> 3) & 1;
    kelt.CfgKneelingAutoManual = (flags >> 4) & 1;
    kelt.CfgDoorContactUbatt = (flags >> 5) & 1;
    kelt.CfgSidewalkMakeContact = (flags >> 6) & 1;

    for (Op op : ops) {
        // The caller repeats while the dialog asks it to, as every window does.
        for (int attempt = 0; attempt < 5 && runOne(op) == RepeatOperation; ++attempt) {
        }
    }
    for (const Bytes& w : link_->writes()) {
        for (uint8_t b : w) transcript_ += std::to_string(b) + ",";
        transcript_ += "\n";
    }
    for (const Shown& s : errors.shown) transcript_ += "shown " + std::to_string(s.code) + "\n";
    driver.attachLink(nullptr);
    return transcript_;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string asSent = EcuRun(data, size, false).run();
    // The bytes behind each reply's own length changed: nothing the layer does may differ.
    const std::string changedBehind = EcuRun(data, size, true).run();
    if (asSent != changedBehind || std::getenv("FUZZ_ECU_TRACE"))
        std::fprintf(stderr, "as sent:\n%s\nchanged behind the replies:\n%s\n", asSent.c_str(),
                     changedBehind.c_str());
    FUZZ_CHECK(asSent == changedBehind);
    return 0;
}
