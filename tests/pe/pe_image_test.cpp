// PeImage: headers, RVA mapping, the resource directory and its language choice, and damage.
#include "scan/pe/pe_image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>

#include "scan/pe/byte_reader.h"
#include "tests/pe/pe_writer.h"

namespace quillet::pe {
namespace {

using writer::BuildImage;
using writer::Image;
using writer::PutU16;
using writer::PutU32;
using writer::Resource;

ResourceName Id(uint16_t id) {
  return ResourceName::Id(id);
}
ResourceName Str(std::u16string text) {
  return ResourceName::String(std::move(text));
}

std::string Ascii(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

std::string Describe(const std::vector<ResourceName>& names) {
  std::string out;
  for (const ResourceName& n : names) {
    if (!out.empty()) out += ",";
    out += n.isString ? "\"" + Ascii(n.text) + "\"" : std::to_string(n.id);
  }
  return out;
}

std::vector<uint8_t> Bytes(std::initializer_list<uint8_t> bytes) {
  return bytes;
}

// Four bytes that say which variant was chosen.
std::vector<uint8_t> Tag(uint16_t lang) {
  return {static_cast<uint8_t>(lang), static_cast<uint8_t>(lang >> 8), 0xAA, 0xBB};
}

// Menus 3 (two languages), 1, "ZED" (two languages) and 2, stored in that order, with dialogs
// interleaved to show the types stay apart.
std::vector<Resource> MixedModule() {
  return {
      {Id(kRtMenu), Id(3), 0x0409, Bytes({1})},  {Id(kRtDialog), Id(9), 0x0409, Bytes({9})},
      {Id(kRtMenu), Id(1), 0x0409, Bytes({2})},  {Id(kRtMenu), Id(3), 0x0011, Bytes({3})},
      {Id(kRtMenu), Str(u"ZED"), 0, Bytes({4})}, {Id(kRtMenu), Str(u"ZED"), 0x0411, Bytes({5})},
      {Id(kRtMenu), Id(2), 0x0409, Bytes({6})},  {Str(u"CUSTOM"), Str(u"Data"), 0, Bytes({7})},
  };
}

TEST(PeImageTest, Pe32AndPe32PlusListAndFindTheSame) {
  for (bool pe32Plus : {false, true}) {
    SCOPED_TRACE(pe32Plus ? "PE32+" : "PE32");
    Image image = BuildImage(MixedModule(), {.pe32Plus = pe32Plus});
    Result<PeImage> pe = PeImage::Parse(image.bytes);
    ASSERT_TRUE(pe) << pe.error();
    EXPECT_EQ(pe->is64(), pe32Plus);
    EXPECT_EQ(pe->machine(), pe32Plus ? 0x8664 : 0x014C);
    ASSERT_EQ(pe->sections().size(), 2u);
    EXPECT_EQ(pe->sections()[1].name, ".rsrc");

    Result<std::vector<ResourceName>> menus = pe->ListNames(Id(kRtMenu));
    ASSERT_TRUE(menus) << menus.error();
    // Stored order, not sorted; each name once however many languages it has.
    EXPECT_EQ(Describe(*menus), "3,1,\"ZED\",2");
    Result<std::vector<ResourceName>> dialogs = pe->ListNames(Id(kRtDialog));
    ASSERT_TRUE(dialogs);
    EXPECT_EQ(Describe(*dialogs), "9");
    Result<std::vector<ResourceName>> custom = pe->ListNames(Str(u"CUSTOM"));
    ASSERT_TRUE(custom);
    EXPECT_EQ(Describe(*custom), "\"Data\"");
    Result<std::vector<ResourceName>> none = pe->ListNames(Id(6));
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());

    struct Lookup {
      ResourceName type, name;
      uint8_t expected;
    };
    const Lookup lookups[] = {{Id(kRtMenu), Id(3), 3},  // 0x0011 beats 0x0409
                              {Id(kRtMenu), Id(1), 2},
                              {Id(kRtMenu), Str(u"ZED"), 4},
                              {Str(u"CUSTOM"), Str(u"Data"), 7},
                              {Id(kRtDialog), Id(9), 9}};
    for (const Lookup& l : lookups) {
      Result<ResourceData> data = pe->FindData(l.type, l.name);
      ASSERT_TRUE(data) << data.error();
      ASSERT_EQ(data->bytes.size(), 1u);
      EXPECT_EQ(data->bytes[0], l.expected);
    }

    // The one-pass listing agrees with the lookups name by name.
    Result<std::vector<PeImage::NamedResource>> all = pe->ListResources(Id(kRtMenu));
    ASSERT_TRUE(all) << all.error();
    ASSERT_EQ(all->size(), menus->size());
    for (std::size_t i = 0; i < all->size(); ++i) {
      const PeImage::NamedResource& r = (*all)[i];
      EXPECT_EQ(r.name, (*menus)[i]);
      Result<ResourceData> one = pe->FindData(Id(kRtMenu), r.name);
      ASSERT_TRUE(r.data && one);
      EXPECT_EQ(r.data->bytes.data(), one->bytes.data());
      EXPECT_EQ(r.data->language, one->language);
    }
  }
}

TEST(PeImageTest, ListResourcesReportsABadNameAndGoesOn) {
  Image image = BuildImage({{Id(kRtMenu), Id(1), 0, Bytes({1})},
                            {Id(kRtMenu), Id(2), 0, Bytes({2})},
                            {Id(kRtMenu), Id(3), 0, Bytes({3})}});
  PutU32(image.bytes, image.layout.resources[1].dataEntry + 4, 0x7FFFFFFF);  // size
  Result<PeImage> pe = PeImage::Parse(image.bytes);
  ASSERT_TRUE(pe);
  Result<std::vector<PeImage::NamedResource>> all = pe->ListResources(Id(kRtMenu));
  ASSERT_TRUE(all) << all.error();
  ASSERT_EQ(all->size(), 3u);
  EXPECT_TRUE((*all)[0].data);
  ASSERT_FALSE((*all)[1].data);
  EXPECT_NE((*all)[1].data.error().find("runs past"), std::string::npos);
  ASSERT_TRUE((*all)[2].data);
  EXPECT_EQ((*all)[2].data->bytes[0], 3);
}

// Entries that share a directory are not a cycle: each name reads the shared variants.
TEST(PeImageTest, NamesMayShareALanguageDirectory) {
  Image image = BuildImage({{Id(kRtMenu), Id(1), 0x0409, Bytes({1})},
                            {Id(kRtMenu), Id(1), 0x0011, Bytes({2})},
                            {Id(kRtMenu), Id(2), 0x0409, Bytes({3})}});
  const writer::ResourcePlacement& first = image.layout.resources[0];
  PutU32(image.bytes, image.layout.resources[2].nameEntry + 4,
         0x80000000 | image.layout.RootRelative(first.nameDirectory));
  Result<PeImage> pe = PeImage::Parse(image.bytes);
  ASSERT_TRUE(pe);
  Result<std::vector<PeImage::NamedResource>> all = pe->ListResources(Id(kRtMenu));
  ASSERT_TRUE(all) << all.error();
  ASSERT_EQ(all->size(), 2u);
  for (const PeImage::NamedResource& r : *all) {
    ASSERT_TRUE(r.data) << r.data.error();
    EXPECT_EQ(r.data->bytes[0], 2);
  }
}

// Name entries pointing at one long string would make a listing read the same bytes again
// and again; past a generous total the listing gives up with an error instead.
TEST(PeImageTest, OverlappingLongNamesHitTheNameBudget) {
  std::vector<Resource> resources;
  for (int i = 0; i < 300; ++i) {
    std::string digits = std::to_string(i);
    resources.push_back(
        {Id(kRtMenu), Str(std::u16string(digits.begin(), digits.end())), 0, Bytes({1})});
  }
  // Room for a 0xFFFF-unit string after the names.
  resources.push_back({Id(kRtDialog), Id(1), 0, std::vector<uint8_t>(0x20000, 'x')});
  Image image = BuildImage(resources);
  ByteReader entry(image.bytes, image.layout.resources[0].nameEntry);
  uint32_t nameField = entry.ReadU32().value_or(0);
  PutU16(image.bytes, image.layout.resourceRoot + (nameField & 0x7FFFFFFF), 0xFFFF);
  for (int i = 0; i < 300; ++i) PutU32(image.bytes, image.layout.resources[i].nameEntry, nameField);

  Result<PeImage> pe = PeImage::Parse(image.bytes);
  ASSERT_TRUE(pe);
  Result<std::vector<ResourceName>> names = pe->ListNames(Id(kRtMenu));
  ASSERT_FALSE(names);
  EXPECT_NE(names.error().find("longer in all"), std::string::npos) << names.error();
  // Below the total, the same string read a few times is simply one name.
  for (int i = 5; i < 300; ++i) PutU32(image.bytes, image.layout.resources[i].nameEntry, 5);
  pe = PeImage::Parse(image.bytes);
  ASSERT_TRUE(pe);
  names = pe->ListNames(Id(kRtMenu));
  ASSERT_TRUE(names) << names.error();
  EXPECT_EQ(names->size(), 2u);  // the long name, and id 5
}

TEST(PeImageTest, ImageWrittenToAFileReadsBack) {
  Image image = BuildImage(MixedModule(), {.pe32Plus = true});
  std::string path = ::testing::TempDir() + "pe_image_test_module.dll";
  ASSERT_TRUE(writer::WriteFile(path, image.bytes));
  std::ifstream file(path, std::ios::binary);
  std::vector<uint8_t> read((std::istreambuf_iterator<char>(file)), {});
  EXPECT_EQ(read, image.bytes);
  std::remove(path.c_str());
  EXPECT_FALSE(writer::WriteFile(::testing::TempDir() + "no/such/dir/x.dll", image.bytes));
}

TEST(PeImageTest, NamesCompareExactlyAndMissingOnesAreErrors) {
  Image image = BuildImage(MixedModule());
  Result<PeImage> pe = PeImage::Parse(image.bytes);
  ASSERT_TRUE(pe);
  EXPECT_FALSE(pe->FindData(Id(kRtMenu), Str(u"zed")));
  EXPECT_FALSE(pe->FindData(Id(kRtMenu), Id(4)));
  EXPECT_FALSE(pe->FindData(Id(kRtMenu), Str(u"ZE")));
  EXPECT_FALSE(pe->FindData(Id(11), Id(1)));
  Result<std::vector<ResourceName>> lower = pe->ListNames(Str(u"custom"));
  ASSERT_TRUE(lower);
  EXPECT_TRUE(lower->empty());
}

TEST(PeImageTest, LanguageChoice) {
  struct Case {
    std::vector<uint16_t> stored;
    uint16_t preferred;
    uint16_t expected;
  };
  const Case cases[] = {
      {{0x0409, 0x0411, 0x0000}, 0x0411, 0x0000},  // neutral first
      {{0x0409, 0x0011, 0x0411}, 0x0411, 0x0411},  // then the preferred language
      {{0x0409, 0x0011}, 0x0411, 0x0011},          // then its SUBLANG_NEUTRAL form
      {{0x0407, 0x0409, 0x0C0A}, 0x0411, 0x0409},  // then US English
      {{0x0407, 0x040C}, 0x0411, 0x0407},          // then the first stored
      {{0x0409, 0x0004, 0x0804}, 0x0804, 0x0804},  // another preference
      {{0x0409, 0x0004}, 0x0804, 0x0004},
      {{0x0811, 0x0409}, 0x0411, 0x0409},  // another sublanguage is no match
  };
  for (const Case& c : cases) {
    std::vector<Resource> resources;
    for (uint16_t lang : c.stored) resources.push_back({Id(kRtDialog), Id(7), lang, Tag(lang)});
    Image image = BuildImage(resources);
    Result<PeImage> pe = PeImage::Parse(image.bytes);
    ASSERT_TRUE(pe);
    Result<ResourceData> data = pe->FindData(Id(kRtDialog), Id(7), c.preferred);
    ASSERT_TRUE(data) << data.error();
    EXPECT_EQ(data->language, c.expected) << "preferred " << c.preferred;
    EXPECT_EQ(std::vector<uint8_t>(data->bytes.begin(), data->bytes.end()), Tag(c.expected));
  }
}

TEST(PeImageTest, ModuleWithoutResourcesHasNoNames) {
  for (bool emptyDirectory : {false, true}) {
    Image image = BuildImage({}, {.emptyResourceDirectory = emptyDirectory});
    Result<PeImage> pe = PeImage::Parse(image.bytes);
    ASSERT_TRUE(pe) << pe.error();
    EXPECT_EQ(pe->hasResources(), emptyDirectory);
    Result<std::vector<ResourceName>> names = pe->ListNames(Id(kRtMenu));
    ASSERT_TRUE(names) << names.error();
    EXPECT_TRUE(names->empty());
    EXPECT_FALSE(pe->FindData(Id(kRtMenu), Id(1)));
  }
}

TEST(PeImageTest, DataDirectoriesEndingBeforeResourcesMeanNoResources) {
  Image image = BuildImage({{Id(kRtMenu), Id(1), 0, Bytes({1})}});
  PutU32(image.bytes, image.layout.optionalHeader + 92, 2);  // NumberOfRvaAndSizes
  Result<PeImage> pe = PeImage::Parse(image.bytes);
  ASSERT_TRUE(pe) << pe.error();
  EXPECT_FALSE(pe->hasResources());
}

TEST(PeImageTest, RvaMapping) {
  Image image = BuildImage({{Id(kRtMenu), Id(1), 0, Bytes({1, 2, 3, 4})}});
  Result<PeImage> pe = PeImage::Parse(image.bytes);
  ASSERT_TRUE(pe);
  struct Case {
    const char* why;
    uint32_t rva, size;
    std::optional<std::size_t> fileOffset;
  };
  const Case cases[] = {
      {"start of .text", 0x1000, 1, 0x200},
      {"root of .rsrc", image.layout.resourceRootRva, 16, image.layout.resourceRoot},
      {"header bytes map one to one", 0x3C, 4, 0x3C},
      {"last header byte", 0x1FF, 1, 0x1FF},
      {"one past SizeOfHeaders", 0x1FF, 2, std::nullopt},
      {"last raw byte of .text", 0x11FF, 1, 0x3FF},
      {"not into the next section's bytes", 0x11FF, 2, std::nullopt},
      {"past .text's raw data", 0x1200, 1, std::nullopt},
      {"beyond every section", 0x00900000, 1, std::nullopt},
      {"near 4 GiB", 0xFFFFFFFF, 1, std::nullopt},
  };
  for (const Case& c : cases) {
    Result<std::span<const uint8_t>> bytes = pe->BytesAt(c.rva, c.size);
    ASSERT_EQ(bytes.ok(), c.fileOffset.has_value()) << c.why;
    if (bytes) {
      EXPECT_EQ(bytes->data(), image.bytes.data() + *c.fileOffset) << c.why;
    }
  }
}

// Data ending exactly where the mapped bytes end passes; one byte more fails, whichever of
// SizeOfRawData and the file's end comes first.
TEST(PeImageTest, DataMayEndExactlyAtTheEndOfWhatIsMapped) {
  enum class Limit { kFileEnd, kRawDataBeforeFileEnd, kRawDataClaimsMoreThanTheFile };
  for (Limit limit :
       {Limit::kFileEnd, Limit::kRawDataBeforeFileEnd, Limit::kRawDataClaimsMoreThanTheFile}) {
    Image image = BuildImage({{Id(kRtMenu), Id(1), 0, Bytes({1, 2, 3, 4})}});
    const writer::ResourcePlacement& placement = image.layout.resources[0];
    std::size_t end = image.bytes.size();
    if (limit == Limit::kRawDataBeforeFileEnd) image.bytes.resize(end + 0x200, 0xEE);
    if (limit == Limit::kRawDataClaimsMoreThanTheFile) {
      PutU32(image.bytes, image.layout.rsrcSectionHeader + 16, 0x10000);  // SizeOfRawData
    }
    for (uint32_t extra : {0u, 1u}) {
      PutU32(image.bytes, placement.dataEntry + 4,
             static_cast<uint32_t>(end - placement.data + extra));
      Result<PeImage> pe = PeImage::Parse(image.bytes);
      ASSERT_TRUE(pe);
      Result<ResourceData> data = pe->FindData(Id(kRtMenu), Id(1));
      EXPECT_EQ(data.ok(), extra == 0) << static_cast<int>(limit) << " +" << extra;
    }
  }
}

// Each damaged module fails at the stage named, with a message naming the fault.
TEST(PeImageTest, MalformedModulesGiveErrors) {
  enum class Stage { kParse, kList, kFind };
  struct Case {
    const char* why;
    std::function<void(Image&)> damage;
    Stage stage;
    const char* message;
  };
  const Case cases[] = {
      {"shorter than a DOS header", [](Image& m) { m.bytes.resize(63); }, Stage::kParse,
       "DOS header"},
      {"not MZ", [](Image& m) { m.bytes[0] = 'Z'; }, Stage::kParse, "MZ"},
      {"e_lfanew past the end", [](Image& m) { PutU32(m.bytes, 0x3C, 0xFFFFFFF0); }, Stage::kParse,
       "e_lfanew"},
      {"e_lfanew leaves no room for the COFF header",
       [](Image& m) { PutU32(m.bytes, 0x3C, static_cast<uint32_t>(m.bytes.size() - 8)); },
       Stage::kParse, "e_lfanew"},
      {"no PE signature", [](Image& m) { m.bytes[m.layout.peHeader + 2] = 1; }, Stage::kParse,
       "PE signature"},
      {"file ends inside the optional header",
       [](Image& m) { m.bytes.resize(m.layout.optionalHeader + 100); }, Stage::kParse,
       "optional header is truncated"},
      {"unknown optional header magic",
       [](Image& m) { PutU16(m.bytes, m.layout.optionalHeader, 0x107); }, Stage::kParse,
       "magic 0x107"},
      {"optional header smaller than its fixed part",
       [](Image& m) { PutU16(m.bytes, m.layout.peHeader + 20, 64); }, Stage::kParse, "too small"},
      {"no room even for the magic", [](Image& m) { PutU16(m.bytes, m.layout.peHeader + 20, 1); },
       Stage::kParse, "magic"},
      {"section count past the end",
       [](Image& m) { PutU16(m.bytes, m.layout.peHeader + 6, 0xFFFF); }, Stage::kParse,
       "section table"},
      {"resource directory RVA in no section",
       [](Image& m) { PutU32(m.bytes, m.layout.resourceDataDirectory, 0x00900000); }, Stage::kList,
       "no section"},
      {".rsrc raw data past the end of the file",
       [](Image& m) { PutU32(m.bytes, m.layout.rsrcSectionHeader + 20, 0x00100000); }, Stage::kList,
       "past the end of the file"},
      {".rsrc raw data near 4 GiB, its size reaching past it",
       [](Image& m) {
         PutU32(m.bytes, m.layout.rsrcSectionHeader + 16, 0xFFFFFFFF);
         PutU32(m.bytes, m.layout.rsrcSectionHeader + 20, 0xFFFFFF00);
       },
       Stage::kList, "past the end of the file"},
      {"root directory with more entries than bytes",
       [](Image& m) { PutU16(m.bytes, m.layout.resourceRoot + 14, 0xFFFF); }, Stage::kList,
       "entries"},
      {"root directory with an absurd named count",
       [](Image& m) { PutU16(m.bytes, m.layout.resourceRoot + 12, 0xFFFF); }, Stage::kList,
       "entries"},
      {"type directory with more entries than bytes",
       [](Image& m) { PutU16(m.bytes, m.layout.resources[0].typeDirectory + 14, 0x4000); },
       Stage::kList, "entries"},
      {"language directory with more entries than bytes",
       [](Image& m) { PutU16(m.bytes, m.layout.resources[0].nameDirectory + 14, 0x4000); },
       Stage::kList, "entries"},
      {"type entry points back to the root",
       [](Image& m) { PutU32(m.bytes, m.layout.resources[0].typeEntry + 4, 0x80000000); },
       Stage::kList, "enclosing"},
      {"name entry points to its own type directory",
       [](Image& m) {
         const writer::ResourcePlacement& p = m.layout.resources[0];
         PutU32(m.bytes, p.nameEntry + 4, 0x80000000 | m.layout.RootRelative(p.typeDirectory));
       },
       Stage::kList, "enclosing"},
      {"name entry points back to the root",
       [](Image& m) { PutU32(m.bytes, m.layout.resources[0].nameEntry + 4, 0x80000000); },
       Stage::kList, "enclosing"},
      {"subdirectory offset past the end",
       [](Image& m) { PutU32(m.bytes, m.layout.resources[0].nameEntry + 4, 0xFFFFFFFF); },
       Stage::kList, "past the end"},
      {"type entry names data instead of a directory",
       [](Image& m) {
         const writer::ResourcePlacement& p = m.layout.resources[0];
         PutU32(m.bytes, p.typeEntry + 4, m.layout.RootRelative(p.dataEntry));
       },
       Stage::kList, "should name a directory"},
      {"name entry names data instead of a directory",
       [](Image& m) {
         const writer::ResourcePlacement& p = m.layout.resources[0];
         PutU32(m.bytes, p.nameEntry + 4, m.layout.RootRelative(p.dataEntry));
       },
       Stage::kList, "should name a directory"},
      {"language entry is a fourth directory level",
       [](Image& m) {
         const writer::ResourcePlacement& p = m.layout.resources[0];
         PutU32(m.bytes, p.languageEntry + 4, 0x80000000 | m.layout.RootRelative(p.nameDirectory));
       },
       Stage::kList, "fourth"},
      {"data entry offset past the end",
       [](Image& m) { PutU32(m.bytes, m.layout.resources[0].languageEntry + 4, 0x7FFFFFF8); },
       Stage::kList, "data entry lies past the end"},
      {"name string offset past the end",
       [](Image& m) { PutU32(m.bytes, m.layout.resources[1].nameEntry, 0xFFFFFFF0); }, Stage::kList,
       "name string"},
      {"name string longer than the section",
       [](Image& m) {
         ByteReader entry(m.bytes, m.layout.resources[1].nameEntry);
         uint32_t stringAt = entry.ReadU32().value_or(0) & 0x7FFFFFFF;
         PutU16(m.bytes, m.layout.resourceRoot + stringAt, 0xFFFF);
       },
       Stage::kList, "name string"},
      {"data RVA in no section",
       [](Image& m) { PutU32(m.bytes, m.layout.resources[0].dataEntry, 0x00900000); }, Stage::kFind,
       "no section"},
      {"data RVA near 4 GiB",
       [](Image& m) { PutU32(m.bytes, m.layout.resources[0].dataEntry, 0xFFFFFFF0); }, Stage::kFind,
       "no section"},
      {"data size near 4 GiB",
       [](Image& m) { PutU32(m.bytes, m.layout.resources[0].dataEntry + 4, 0xFFFFFFF0); },
       Stage::kFind, "runs past"},
      {"no language variants",
       [](Image& m) { PutU16(m.bytes, m.layout.resources[0].nameDirectory + 14, 0); }, Stage::kFind,
       "no language"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    // Resource 0 is menu 1; resource 1 is the string-named menu "NAMED".
    Image image = BuildImage({{Id(kRtMenu), Id(1), 0x0411, Bytes({1, 2})},
                              {Id(kRtMenu), Str(u"NAMED"), 0x0411, Bytes({3, 4})}});
    c.damage(image);
    Result<PeImage> pe = PeImage::Parse(image.bytes);
    std::string error;
    if (!pe) {
      error = pe.error();
      EXPECT_EQ(c.stage, Stage::kParse) << error;
    } else if (Result<std::vector<ResourceName>> names = pe->ListNames(Id(kRtMenu)); !names) {
      error = names.error();
      EXPECT_EQ(c.stage, Stage::kList) << error;
    } else if (Result<ResourceData> data = pe->FindData(Id(kRtMenu), Id(1)); !data) {
      error = data.error();
      EXPECT_EQ(c.stage, Stage::kFind) << error;
    } else {
      ADD_FAILURE() << "no error";
    }
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

TEST(PeImageTest, EveryTruncationOfAModuleIsHandled) {
  Image image = BuildImage(MixedModule());
  for (std::size_t size = 0; size < image.bytes.size(); ++size) {
    // A copy of its own, so that a read past it is caught by the address sanitizer.
    const std::vector<uint8_t> prefix(image.bytes.begin(), image.bytes.begin() + size);
    Result<PeImage> pe = PeImage::Parse(prefix);
    if (!pe) continue;
    // Whatever survives must answer with names or an error, never read past `prefix`.
    Result<std::vector<ResourceName>> names = pe->ListNames(Id(kRtMenu));
    if (names) {
      for (const ResourceName& name : *names) (void)pe->FindData(Id(kRtMenu), name);
    }
  }
}

}  // namespace
}  // namespace quillet::pe
