#include "files/os_name.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <string_view>

namespace qs {
namespace {

constexpr uint8_t kWorkstation = 1;
constexpr uint8_t kDomainController = 2;
constexpr uint8_t kServer = 3;

OsFacts Nt(uint32_t major, uint32_t minor, uint8_t productType = kWorkstation) {
  OsFacts facts;
  facts.platform = OsPlatform::kWindowsNt;
  facts.major = major;
  facts.minor = minor;
  facts.productType = productType;
  return facts;
}

OsFacts Win9x(uint32_t minor, uint32_t build, uint32_t major = 4) {
  OsFacts facts;
  facts.platform = OsPlatform::kWindows9x;
  facts.major = major;
  facts.minor = minor;
  facts.build = build;
  return facts;
}

template <typename Change>
OsFacts With(OsFacts facts, Change change) {
  change(facts);
  return facts;
}

struct SystemCase {
  const char* what;
  OsFacts facts;
  const char* name;
  uint32_t bit;
};

TEST(OperatingSystemNameTest, NamesAndRefusedSystemBitsOfEachFamily) {
  OsFacts win32s;
  win32s.platform = OsPlatform::kWin32s;
  win32s.major = 3;
  win32s.minor = 10;

  const SystemCase cases[] = {
      {"Win32s", win32s, "Windows 3.10", 0x2},
      {"95", Win9x(0, 950), "Windows 95", 0x4},
      {"95 OSR2", Win9x(0, 1111), "Windows 95 OSR2", 0x4},
      {"95 with minor 9 is still 95", Win9x(9, 0), "Windows 95", 0x4},
      {"98", Win9x(10, 1998), "Windows 98", 0x8},
      {"98 SE", Win9x(10, 2222), "Windows 98 SE", 0x8},
      {"98 up to minor 89", Win9x(89, 0), "Windows 98", 0x8},
      {"ME", Win9x(90, 3000), "Windows ME", 0x10},
      {"an unknown 9x", Win9x(0, 0, 5), "Windows 9x 5.0", 0x1},
      {"NT 3.51", Nt(3, 51), "Windows NT 3.51", 0x20},
      {"NT 4", Nt(4, 0), "Windows NT 4.0", 0x40},
      {"2000 Professional", Nt(5, 0), "Windows 2000 Professional", 0x80},
      {"2000 Server", Nt(5, 0, kServer), "Windows 2000 Server", 0x80},
      {"2000 Advanced Server",
       With(Nt(5, 0, kDomainController), [](OsFacts& f) { f.suiteMask = 0x0002; }),
       "Windows 2000 Advanced Server", 0x80},
      {"2000 Datacenter with the Enterprise bit too",
       With(Nt(5, 0, kServer), [](OsFacts& f) { f.suiteMask = 0x0082; }),
       "Windows 2000 Datacenter Server", 0x80},
      {"XP Professional", Nt(5, 1), "Windows XP Professional", 0x100},
      {"XP Home", With(Nt(5, 1), [](OsFacts& f) { f.suiteMask = 0x0200; }), "Windows XP Home",
       0x100},
      {"XP Media Center SP3",
       With(Nt(5, 1),
            [](OsFacts& f) {
              f.mediaCenter = true;
              f.servicePack = "Service Pack 3";
            }),
       "Windows XP Professional Media Center Service Pack 3", 0x100},
      {"XP Embedded Tablet PC",
       With(Nt(5, 1),
            [](OsFacts& f) {
              f.suiteMask = 0x0040;
              f.tabletPc = true;
            }),
       "Windows XP Professional Embedded Tablet PC", 0x100},
      {"XP Home Starter",
       With(Nt(5, 1),
            [](OsFacts& f) {
              f.suiteMask = 0x0200;
              f.starter = true;
            }),
       "Windows XP Home Starter", 0x100},
      {"XP x64 is 5.2 on a 64-bit workstation",
       With(Nt(5, 2),
            [](OsFacts& f) {
              f.nativeIs64 = true;
              f.servicePack = "Service Pack 2";
            }),
       "Windows XP Professional x64 Service Pack 2", 0x100},
      {"5.2 32-bit workstation", Nt(5, 2), "Windows Server 2003", 0x200},
      {"Server 2003", Nt(5, 2, kServer), "Windows Server 2003", 0x200},
      {"Server 2003 R2 Enterprise x64",
       With(Nt(5, 2, kServer),
            [](OsFacts& f) {
              f.serverR2 = true;
              f.suiteMask = 0x0002;
              f.nativeIs64 = true;
            }),
       "Windows Server 2003 R2 Enterprise x64", 0x200},
      {"Server 2003 Datacenter with the Enterprise bit too",
       With(Nt(5, 2, kServer), [](OsFacts& f) { f.suiteMask = 0x0082; }),
       "Windows Server 2003 Datacenter", 0x200},
      {"Server 2003 Web", With(Nt(5, 2, kServer), [](OsFacts& f) { f.suiteMask = 0x0400; }),
       "Windows Server 2003 Web", 0x200},
      {"Compute Cluster", With(Nt(5, 2, kServer), [](OsFacts& f) { f.suiteMask = 0x4000; }),
       "Windows Server 2003 Compute Cluster", 0x200},
      {"Storage Server 2003 R2",
       With(Nt(5, 2, kServer),
            [](OsFacts& f) {
              f.suiteMask = 0x2000;
              f.serverR2 = true;
            }),
       "Windows Storage Server 2003 R2", 0x200},
      {"NT 5.3", Nt(5, 3), "Windows NT 5.3", 0x1},
      {"Vista", Nt(6, 0), "Windows Vista", 0x400},
      {"Vista Home by the suite alone", With(Nt(6, 0), [](OsFacts& f) { f.suiteMask = 0x0200; }),
       "Windows Vista Home", 0x400},
      {"Vista Home Premium by the product type",
       With(Nt(6, 0),
            [](OsFacts& f) {
              f.suiteMask = 0x0200;
              f.productInfo = 3;
            }),
       "Windows Vista Home Premium", 0x400},
      {"Server 2008", Nt(6, 0, kServer), "Windows Server 2008", 0x800},
      {"7 Ultimate x64 SP1",
       With(Nt(6, 1),
            [](OsFacts& f) {
              f.productInfo = 1;
              f.nativeIs64 = true;
              f.servicePack = "Service Pack 1";
            }),
       "Windows 7 Ultimate x64 Service Pack 1", 0x1000},
      {"Server 2008 R2", With(Nt(6, 1, kServer), [](OsFacts& f) { f.productInfo = 7; }),
       "Windows Server 2008 R2 Server Standard", 0x800},
      {"Server 2008 R2 as domain controller", Nt(6, 1, kDomainController), "Windows Server 2008 R2",
       0x800},
      {"8", With(Nt(6, 2), [](OsFacts& f) { f.productInfo = 48; }), "Windows 8 Professional",
       0x2000},
      {"Server 2012", Nt(6, 2, kServer), "Windows Server 2012", 0x4000},
      {"8.1", Nt(6, 3), "Windows 8.1", 0x2000},
      {"Server 2012 R2", Nt(6, 3, kServer), "Windows Server 2012 R2", 0x4000},
      {"NT 6.4 is an early 10", Nt(6, 4), "Windows 10 alpha", 0x8000},
      {"NT 6.4 server", Nt(6, 4, kServer), "Windows 10 alpha", 0x8000},
      {"NT 6.5", Nt(6, 5), "Windows NT 6.5", 0x1},
      {"10 Professional x64",
       With(Nt(10, 0),
            [](OsFacts& f) {
              f.productInfo = 48;
              f.nativeIs64 = true;
            }),
       "Windows 10 Professional x64", 0x8000},
      {"10 server", Nt(10, 0, kServer), "Windows 10", 0x8000},
      {"an unknown NT", Nt(11, 2), "Windows NT 11.2", 0x1},
      {"an unknown NT below 5", Nt(2, 0), "Windows NT 2.0", 0x1},
  };
  for (const SystemCase& c : cases) {
    EXPECT_EQ(OperatingSystemName(c.facts, 0), c.name) << c.what;
    EXPECT_EQ(UnsupportedSystemBit(c.facts), c.bit) << c.what;
  }
}

TEST(OperatingSystemNameTest, OptionBitsLeaveOutServicePackAndEditionWords) {
  const OsFacts sevenSp1 = With(Nt(6, 1), [](OsFacts& f) {
    f.productInfo = 3;
    f.nativeIs64 = true;
    f.servicePack = "Service Pack 1";
  });
  const OsFacts xpX64 = With(Nt(5, 2), [](OsFacts& f) {
    f.nativeIs64 = true;
    f.servicePack = "Service Pack 2";
  });
  const OsFacts xpHome = With(Nt(5, 1), [](OsFacts& f) {
    f.suiteMask = 0x0200;
    f.mediaCenter = true;
  });
  const OsFacts server2003 = With(Nt(5, 2, kServer), [](OsFacts& f) {
    f.serverR2 = true;
    f.suiteMask = 0x0080;
  });
  struct Case {
    const char* what;
    OsFacts facts;
    uint32_t options;
    const char* name;
  };
  const Case cases[] = {
      {"7, all", sevenSp1, 0, "Windows 7 Home Premium x64 Service Pack 1"},
      {"7, no service pack", sevenSp1, 1, "Windows 7 Home Premium x64"},
      {"7, no edition", sevenSp1, 2, "Windows 7 x64 Service Pack 1"},
      {"7, neither", sevenSp1, 3, "Windows 7 x64"},
      {"other option bits change nothing", sevenSp1, 0xFFFFFFFC,
       "Windows 7 Home Premium x64 Service Pack 1"},
      {"XP x64 without edition words", xpX64, 2, "Windows XP x64 Service Pack 2"},
      {"XP without edition words", xpHome, 2, "Windows XP"},
      // R2 belongs to the version, the suite word is an edition word.
      {"2003 R2 without edition words", server2003, 2, "Windows Server 2003 R2"},
      {"2000 without edition words", Nt(5, 0, kServer), 2, "Windows 2000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(OperatingSystemName(c.facts, c.options), c.name) << c.what;
  }
}

TEST(OperatingSystemNameTest, TrailingBlanksAreRemoved) {
  // The older family reports a letter between blanks (" B ") or a lone blank as its service
  // pack text.
  const OsFacts osr2 = With(Win9x(0, 1111), [](OsFacts& f) { f.servicePack = " B "; });
  EXPECT_EQ(OperatingSystemName(osr2, 0), "Windows 95 OSR2  B");
  const OsFacts blank = With(Win9x(10, 2222), [](OsFacts& f) { f.servicePack = "  "; });
  EXPECT_EQ(OperatingSystemName(blank, 0), "Windows 98 SE");
  EXPECT_EQ(OperatingSystemName(blank, 1), "Windows 98 SE");
}

// The edition words of a product type, as a Server 2008 name shows them.
std::string EditionWordsOf(uint32_t productType) {
  const std::string base = "Windows Server 2008";
  const std::string name = OperatingSystemName(
      With(Nt(6, 0, kServer), [&](OsFacts& f) { f.productInfo = productType; }), 0);
  EXPECT_EQ(name.substr(0, base.size()), base) << productType;
  return name.substr(std::min(base.size(), name.size()));
}

TEST(OperatingSystemNameTest, EditionWordsFollowTheProductType) {
  // The types whose words users see most, word for word.
  struct Case {
    uint32_t productType;
    const char* words;
  };
  const Case telling[] = {
      {1, " Ultimate"},        {2, " Home Basic"},      {3, " Home Premium"},
      {4, " Enterprise"},      {10, " Enterprise"},     {6, " Business"},
      {7, " Server Standard"}, {8, " Datacenter"},      {11, " Starter"},
      {48, " Professional"},   {49, " Professional N"}, {64, " Cluster Server (without Hyper-V)"},
  };
  for (const Case& c : telling) EXPECT_EQ(EditionWordsOf(c.productType), c.words) << c.productType;

  // Every other known type names its edition after a blank: the N editions end in " N", the
  // editions without Hyper-V say so, and the core installations end in " (core)".
  const std::set<uint32_t> known = {5,  9,  12, 13, 14, 15, 16, 17, 18, 20, 21, 22, 23,
                                    24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 35, 36, 37,
                                    38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 56, 57, 63};
  const std::set<uint32_t> nEditions = {5, 16, 26, 27, 28, 47};
  const std::set<uint32_t> withoutHyperV = {35, 36, 37, 38, 39, 40, 41};
  const std::set<uint32_t> core = {12, 13, 14, 29, 39, 40, 41, 43, 44, 45, 46, 57, 63};
  auto endsWith = [](const std::string& text, std::string_view end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
  };
  for (uint32_t type : known) {
    const std::string words = EditionWordsOf(type);
    SCOPED_TRACE(std::to_string(type) + ":" + words);
    ASSERT_GE(words.size(), 2u);
    EXPECT_EQ(words[0], ' ');
    EXPECT_NE(words[1], ' ');
    EXPECT_EQ(endsWith(words, " N"), nEditions.count(type) == 1);
    EXPECT_EQ(words.find("without Hyper-V") != std::string::npos, withoutHyperV.count(type) == 1);
    EXPECT_EQ(endsWith(words, " (core)"), core.count(type) == 1);
  }

  // 51 types in all; any other number adds nothing.
  int named = 0;
  for (uint32_t type = 0; type < 256; ++type) {
    if (!EditionWordsOf(type).empty()) ++named;
  }
  EXPECT_EQ(named, 51);
  for (uint32_t type : {0u, 19u, 34u, 50u, 65u, 0xABCDABCDu}) {  // the last PRODUCT_UNLICENSED
    EXPECT_EQ(EditionWordsOf(type), "") << type;
  }
}

TEST(OperatingSystemNameTest, ProductTypeCountsFromVersion6Only) {
  // A product type number on an older system (or the older family) adds nothing.
  EXPECT_EQ(OperatingSystemName(With(Nt(5, 1), [](OsFacts& f) { f.productInfo = 1; }), 0),
            "Windows XP Professional");
  EXPECT_EQ(OperatingSystemName(With(Win9x(90, 0), [](OsFacts& f) { f.productInfo = 1; }), 0),
            "Windows ME");
  EXPECT_EQ(OperatingSystemName(With(Nt(6, 5), [](OsFacts& f) { f.productInfo = 48; }), 0),
            "Windows NT 6.5 Professional");
}

}  // namespace
}  // namespace qs
