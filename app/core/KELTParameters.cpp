// The parameter block: ReadParameters, WriteParameters and the editor's callbacks.
#include <algorithm>
#include <stdexcept>

#include "DiagDr32.h"
#include "KELTInterface.h"
#include "MessageBox.h"
#include "ParameterBlock.h"
#include "StringTable.h"

namespace {

constexpr int kNotStoredText = 20101;

struct TypeIds {
    uint32_t type;
    uint8_t lastId;
};

// The last local id of each type's block.
constexpr std::array<TypeIds, 11> kParameterIds = {{
    {0x107001, 0xE4}, {0x107002, 0xE5}, {0x107004, 0xE6}, {0x107405, 0xE6},
    {0x107600, 0xE6}, {0x107102, 0xE7}, {0x107103, 0xE7}, {0x107406, 0xE8},
    {0x107800, 0xEC}, {0x107801, 0xEC}, {0x107420, 0xEF},
}};

}  // namespace

std::size_t parameterIdCount(uint32_t ecuType) {
    for (const TypeIds& t : kParameterIds)
        if (t.type == ecuType) return t.lastId - kFirstParameterId + 1u;
    return 0;
}

int32_t KELTInterface::readParameterIds(uint16_t& count, std::span<uint8_t> buffer) {
    count = 0;
    const std::size_t ids = parameterIdCount(EcuTyp);
    if (ids == 0) return LetzterFehlercode = KELT_ERR_NOT_SUPPORTED;
    if (buffer.size() < 2 * ids) return LetzterFehlercode = DIAG_ERR_BUFFER_TOO_SMALL;
    for (std::size_t i = 0; i < ids; ++i) {
        LocalIdRecord record{};
        if (int32_t code = ReadLocalIdRecord(static_cast<uint8_t>(kFirstParameterId + i), record))
            return code;
        std::copy(record.begin(), record.end(), buffer.begin() + count);
        count = static_cast<uint16_t>(count + record.size());
    }
    return LetzterFehlercode = 0;
}

int KELTInterface::ReadParameters(uint16_t& count, std::span<uint8_t> buffer) {
    if (demo()) {
        count = 0;
        if (buffer.size() < kDemoParameterBlock.size()) return report(DIAG_ERR_BUFFER_TOO_SMALL);
        std::copy(kDemoParameterBlock.begin(), kDemoParameterBlock.end(), buffer.begin());
        const std::size_t tail =
            std::min(kDemoParameterTail.size(), buffer.size() - kDemoParameterBlock.size());
        std::copy_n(kDemoParameterTail.begin(), tail, buffer.begin() + kDemoParameterBlock.size());
        count = kDemoParameterBlock.size();
        return 0;
    }
    return report(readParameterIds(count, buffer));
}

int KELTInterface::WriteParameters(uint16_t count, std::span<const uint8_t> block) {
    if (demo()) return 0;
    if (!isStandardEcuType(EcuTyp)) return report(KELT_ERR_NOT_SUPPORTED);
    // Only the type's own ids are written, so a block of another length is refused whole.
    const std::size_t ids = parameterIdCount(EcuTyp);
    if (count != 2 * ids || block.size() < count) return report(DIAG_ERR_REQUEST_TOO_LONG);
    block = block.first(count);

    // The check byte's record first: without it the new block would stand under the old check
    // byte, an invalid parameter set, so a failed read sends no write at all.
    LocalIdRecord check{};
    if (int32_t code = ReadLocalIdRecord(kParameterCheckId, check)) return report(code);
    check[0] = parameterCheckByte(block, check[1]);

    // The block gets a new check byte: a tilt save left unfinished cannot go on from its bytes.
    tiltSave_.reset();
    uint16_t position = 0;
    for (std::size_t i = 0; i < ids; ++i) {
        const uint8_t id = static_cast<uint8_t>(kFirstParameterId + i);
        if (int32_t code = WriteLocalId(id, 2, position, block)) return report(code);
    }
    if (int32_t code = WriteLocalIdRecord(kParameterCheckId, check)) return report(code);

    // Read back what the ECU keeps, the check byte too. A failed read is shown once; the answer
    // 1 reads back again. A read-back given up is a block not seen stored: not stored.
    for (;;) {
        std::array<uint8_t, kMaxParameterBlock> stored{};
        uint16_t storedCount = 0;
        LocalIdRecord storedCheck{};
        int32_t code = readParameterIds(storedCount, stored);
        if (code == 0) code = ReadLocalIdRecord(kParameterCheckId, storedCheck);
        if (code != 0 && report(code) == RepeatOperation) continue;
        const bool same = code == 0 && storedCount == count &&
                          std::equal(block.begin(), block.end(), stored.begin()) &&
                          storedCheck == check;
        if (same) return report(0);
        MsgBox(LoadStr(kNotStoredText), attr_.Anwendungstitel, MB_ICONWARNING | MB_OK);
        return GiveUp;
    }
}

int ReadParameterBlock(uint16_t& count, std::span<uint8_t> buffer) {
    if (!KELTInterfaceObj) throw std::logic_error("ReadParameterBlock: no KELTInterfaceObj");
    return KELTInterfaceObj->ReadParameters(count, buffer);
}

int WriteParameterBlock(uint16_t count, std::span<const uint8_t> block) {
    if (!KELTInterfaceObj) throw std::logic_error("WriteParameterBlock: no KELTInterfaceObj");
    return KELTInterfaceObj->WriteParameters(count, block);
}
