// Damaged skins and archives end in a result: a tree or an error message,
// never a crash, a hang or a read outside the bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <set>
#include <string>

#include "tests/ui/GuardedBytes.h"
#include "tests/ui/SkinTestFiles.h"
#include "ui/SkinResources.h"
#include "ui/SkinXml.h"
#include "ui/ZipArchive.h"

namespace {

using ui::CSkinXml;
using ui::CSkinXmlNode;

// A small deterministic generator, so every run tries the same damage.
class Random {
public:
    explicit Random(uint32_t seed) : state_(seed) {}
    uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    size_t below(size_t limit) { return limit ? next() % limit : 0; }

private:
    uint32_t state_;
};

const std::set<std::wstring> kParseErrors = {
    L"Expected start tag",         L"Error parsing element name",     L"Expected start-tag closing",
    L"Expected end-tag start",     L"Unmatched closing tag",          L"Error while parsing attributes",
    L"Expected attribute value",   L"Error while parsing attribute string",
};
const std::set<std::wstring> kReadErrors = {
    L"Error opening zip file", L"Could not find ziped file", L"File is empty", L"File too large",
    L"Could not unzip file",
};

// Touches every element and attribute of a parsed document.
size_t Visit(CSkinXmlNode node) {
    size_t total = 0;
    for (; node.exists(); node = node.next_sibling()) {
        total += std::wcslen(node.name());
        for (int i = 0; i < node.attribute_count(); ++i)
            total += std::wcslen(node.attribute_name(i)) + std::wcslen(node.attribute_value(i));
        total += Visit(node.first_child());
    }
    return total;
}

void ExpectParseResult(CSkinXml& xml, const Bytes& bytes, const std::string& what) {
    if (xml.load_bytes(bytes.data(), bytes.size())) {
        EXPECT_STREQ(xml.error_message(), L"") << what;
        Visit(xml.root());
    } else {
        EXPECT_TRUE(kParseErrors.count(xml.error_message())) << what << ": " << xml.error_message();
        EXPECT_FALSE(xml.root().exists()) << what;
    }
}

Bytes Mutate(const Bytes& original, Random& random, std::string& what) {
    Bytes bytes = original;
    static const char kInserts[] = {'<', '"', '&', '>', '/', '=', '\'', '!', '?', '\0'};
    switch (random.below(6)) {
    case 0:
        bytes.resize(random.below(bytes.size()));
        what = "cut at " + std::to_string(bytes.size());
        break;
    case 1: {
        const size_t at = random.below(bytes.size());
        bytes[at] ^= static_cast<unsigned char>(1 + random.below(255));
        what = "flipped byte " + std::to_string(at);
        break;
    }
    case 2:
    case 3: {
        const size_t at = random.below(bytes.size() + 1);
        const char c = kInserts[random.below(sizeof kInserts)];
        bytes.insert(bytes.begin() + at, static_cast<unsigned char>(c));
        what = std::string("inserted ") + (c ? c : '0') + " at " + std::to_string(at);
        break;
    }
    case 4: {
        const size_t at = random.below(bytes.size());
        bytes.erase(bytes.begin() + at, bytes.begin() + std::min(bytes.size(), at + 1 + random.below(8)));
        what = "erased at " + std::to_string(at);
        break;
    }
    default: {
        // Several damages at once.
        for (int i = 0; i < 4; ++i)
            bytes[random.below(bytes.size())] = static_cast<unsigned char>(kInserts[random.below(sizeof kInserts)]);
        what = "four replaced bytes";
        break;
    }
    }
    return bytes;
}

Bytes SkinFromArchive(const Bytes& archive, const wchar_t* name) {
    auto zip = ui::ZipArchive::open_memory(archive.data(), archive.size(), nullptr);
    if (!zip) return {};
    const int index = zip->find(name);
    if (index < 0) return {};
    Bytes bytes(zip->entry(index).size);
    zip->extract(index, bytes.data(), bytes.size());
    return bytes;
}

TEST(SkinFuzz, DamagedSkinsParseOrFailWithAMessage) {
    const Bytes archive = PackedSkinArchive();
    ASSERT_FALSE(archive.empty()) << "build/skin.zip is missing";
    Random random(20240101);
    CSkinXml xml;
    for (const wchar_t* name : {L"main.xml", L"menu.xml", L"msgbox.xml"}) {
        const Bytes skin = SkinFromArchive(archive, name);
        ASSERT_FALSE(skin.empty());
        ASSERT_TRUE(xml.load_bytes(skin.data(), skin.size()));
        for (int i = 0; i < 1200; ++i) {
            std::string what;
            const Bytes damaged = Mutate(skin, random, what);
            ExpectParseResult(xml, damaged, what);
        }
    }
}

// Offsets of the fields that point somewhere or give a size.
std::vector<std::pair<size_t, int>> ArchiveFields(const Bytes& archive) {
    auto read16 = [&](size_t at) { return static_cast<size_t>(archive[at] | (archive[at + 1] << 8)); };
    auto read32 = [&](size_t at) { return read16(at) | (read16(at + 2) << 16); };
    const size_t end = archive.size() - 22;
    std::vector<std::pair<size_t, int>> fields = {{end + 8, 2}, {end + 10, 2}, {end + 12, 4}, {end + 16, 4},
                                                  {end + 20, 2}, {end, 4}};
    size_t at = read32(end + 16);
    for (size_t i = 0; i < read16(end + 10); ++i) {
        for (auto [offset, width] : {std::pair<size_t, int>{0, 4}, {8, 2}, {10, 2}, {16, 4}, {20, 4}, {24, 4},
                                     {28, 2}, {30, 2}, {32, 2}, {42, 4}})
            fields.push_back({at + offset, width});
        const size_t local = read32(at + 42);
        for (auto [offset, width] : {std::pair<size_t, int>{0, 4}, {18, 4}, {22, 4}, {26, 2}, {28, 2}})
            fields.push_back({local + offset, width});
        at += 46 + read16(at + 28) + read16(at + 30) + read16(at + 32);
    }
    return fields;
}

void ExpectArchiveResult(const Bytes& damaged, const std::string& what) {
    GuardedBytes guarded(damaged);
    auto zip = ui::ZipArchive::open_memory(guarded.data(), guarded.size(), nullptr);
    if (zip) {
        for (size_t i = 0; i < zip->entry_count(); ++i) {
            Bytes out(std::min<size_t>(zip->entry(i).size, ui::kMaxSkinFileSize));
            zip->extract(i, out.data(), out.size());
        }
    }
    ui::reset_skin_sources();
    ui::set_skin_archive(guarded.data(), guarded.size());
    for (const wchar_t* name : {L"main.xml", L"menu.xml", L"msgbox.xml"}) {
        CSkinXml xml;
        if (xml.load_skin_file(name)) {
            Visit(xml.root());
        } else {
            const std::wstring message = xml.error_message();
            EXPECT_TRUE(kReadErrors.count(message) || kParseErrors.count(message)) << what << ": " << message;
        }
    }
    ui::reset_skin_sources();
}

TEST(SkinFuzz, DamagedArchivesEndInAResult) {
    const Bytes archive = PackedSkinArchive();
    ASSERT_FALSE(archive.empty()) << "build/skin.zip is missing";
    const auto fields = ArchiveFields(archive);
    ASSERT_GT(fields.size(), 19u * 15);  // the end record and every entry's two headers
    Random random(7);
    const uint32_t kValues[] = {0, 1, 0xFFFF, 0xFFFFFFFF, 0x7FFFFFFF, 0x80000000};
    for (int i = 0; i < 2000; ++i) {
        Bytes damaged = archive;
        std::string what;
        if (i % 4 == 3) {
            damaged = Mutate(archive, random, what);
        } else {
            const auto [offset, width] = fields[random.below(fields.size())];
            uint32_t value = random.below(2) ? kValues[random.below(6)] : random.next();
            if (random.below(3) == 0) {
                // Off by a little: the most likely damage of a size or offset.
                uint32_t current = 0;
                for (int b = width - 1; b >= 0; --b) current = (current << 8) | damaged[offset + b];
                value = current + static_cast<uint32_t>(random.below(33)) - 16;
            }
            for (int b = 0; b < width; ++b) damaged[offset + b] = static_cast<unsigned char>(value >> (8 * b));
            what = "field at " + std::to_string(offset) + " = " + std::to_string(value);
        }
        ExpectArchiveResult(damaged, what);
    }
}

}  // namespace
