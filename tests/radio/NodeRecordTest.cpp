#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "radio/NodeRecord.h"
#include "tests/support/Bytes.h"

using namespace radio;
using namespace testsupport;

namespace {

struct Record {
    NodeId node;
    std::uint16_t network;
    std::string name;
    std::int32_t extra;
    bool operator==(const Record&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Record& r) {
    return out << std::hex << r.node << ' ' << r.network << " \"" << r.name << "\" " << std::dec
               << r.extra;
}

class RecordingSink final : public NodeSink {
public:
    void onNode(NodeId node, std::uint16_t network, const char* name, std::int32_t extra) override {
        records.push_back({node, network, name, extra});
    }
    std::vector<Record> records;
};

const Bytes kEight = hex("A0 A1 A2 A3 A4 A5 A6 A7");
const Bytes kDiscoveryFields = text("nd") + hex("00 12 34 11 22 33 44 55 66 77 88");
const Bytes kIdentificationFields =
    hex("11 22 33 44 55 66 77 88 12 34") + hex("B0 B1 B2 B3 B4 B5 B6 B7 B8 B9 BA");
const Bytes kName = text("TOWER 7") + hex("00");

const Record kTower{0x1122334455667788, 0x1234, "TOWER 7", 0x01020304};
Record withExtra(Record r, std::int32_t extra) {
    r.extra = extra;
    return r;
}
Record withName(Record r, std::string name) {
    r.name = std::move(name);
    return r;
}

struct Row {
    const char* name;
    Bytes body;
    std::optional<Record> record;
};

void check(const Row& row, bool (*read)(transport::ByteView, NodeSink&)) {
    RecordingSink sink;
    const bool made = read(viewOf(row.body), sink);
    EXPECT_EQ(made, row.record.has_value()) << row.name;
    if (row.record) {
        EXPECT_EQ(sink.records, std::vector<Record>{*row.record}) << row.name;
    } else {
        EXPECT_TRUE(sink.records.empty()) << row.name;
    }
}

}  // namespace

TEST(NodeRecordDiscoveryResponse, FieldsAndTheCasesWithoutARecord) {
    const std::string thirty = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";
    const Row rows[] = {
        {"whole", kDiscoveryFields + kName + kEight + hex("01 02 03 04"), kTower},
        {"letters in upper case",
         text("ND") + Bytes(kDiscoveryFields.begin() + 2, kDiscoveryFields.end()) + kName + kEight +
             hex("01 02 03 04"),
         kTower},
        {"negative extra", kDiscoveryFields + kName + kEight + hex("FF FF FF FE"),
         withExtra(kTower, -2)},
        {"bytes after extra are ignored", kDiscoveryFields + kName + kEight + hex("01 02 03 04 05"),
         kTower},
        {"no extra", kDiscoveryFields + kName + kEight, withExtra(kTower, -1)},
        {"part of the eight bytes", kDiscoveryFields + kName + hex("A0"), withExtra(kTower, -1)},
        {"extra cut short", kDiscoveryFields + kName + kEight + hex("01 02"),
         withExtra(kTower, -1)},
        {"30-character name",
         kDiscoveryFields + text(thirty) + hex("00") + kEight + hex("01 02 03 04"),
         withName(kTower, thirty.substr(0, 23))},
        {"empty name", kDiscoveryFields + hex("00") + kEight, withName(withExtra(kTower, -1), "")},
        {"ends right after the name", kDiscoveryFields + kName, std::nullopt},
        {"name without its zero", kDiscoveryFields + text("TOWER 7"), std::nullopt},
        {"ends inside the addresses", Bytes(kDiscoveryFields.begin(), kDiscoveryFields.end() - 3),
         std::nullopt},
        {"status 01", text("nd") + hex("01 12 34 11 22 33 44 55 66 77 88") + kName + kEight,
         std::nullopt},
        {"other letters",
         text("nx") + Bytes(kDiscoveryFields.begin() + 2, kDiscoveryFields.end()) + kName + kEight,
         std::nullopt},
        {"two bytes", text("nd"), std::nullopt},
        {"empty", {}, std::nullopt},
    };
    for (const Row& row : rows) check(row, readDiscoveryResponse);
}

TEST(NodeRecordIdentification, FieldsAndTheCasesWithoutARecord) {
    const Row rows[] = {
        {"no extra", kIdentificationFields + kName + kEight, withExtra(kTower, -1)},
        {"with extra", kIdentificationFields + kName + kEight + hex("01 02 03 04"), kTower},
        {"name of 24 characters",
         kIdentificationFields + text("123456789012345678901234") + hex("00 01"),
         withName(withExtra(kTower, -1), "12345678901234567890123")},
        {"ends right after the name", kIdentificationFields + kName, std::nullopt},
        {"ends inside the skipped block",
         Bytes(kIdentificationFields.begin(), kIdentificationFields.end() - 1), std::nullopt},
        {"empty", {}, std::nullopt},
    };
    for (const Row& row : rows) check(row, readNodeIdentification);
}
