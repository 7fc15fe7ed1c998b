// The stored archive forms of the settings containers, byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "records/esig_config_types.h"
#include "records/tag_registry.h"
#include "services/config/audit_settings.h"
#include "services/config/config_records.h"
#include "services/config/name_entry_points.h"
#include "testing/bytes.h"
#include "util/archive.h"

namespace tav {
namespace {

using testing::Bytes;

template <typename T>
std::string Store(T& value) {
  CMemFile file;
  CArchive ar(&file, CArchive::store);
  value.Serialize(ar);
  return std::string(file.view());
}

template <typename T>
void Load(const std::string& bytes, T& value) {
  CMemFile file(bytes.data(), bytes.size());
  CArchive ar(&file, CArchive::load);
  value.Serialize(ar);
}

std::string Str(const std::string& s) { return std::string(1, static_cast<char>(s.size())) + s; }

const std::string kTemplateSetting =
    Bytes({1, 0, 0, 0}) +                            // setting version
    Bytes({1, 0, 0, 0}) + Bytes({2, 0, 0, 0}) +      // type version, id 2
    Str("Template") + Str("Audited, Reason for Change Optional") +
    Bytes({2, 0, 0, 0});                             // recording type

TEST(ArchiveForms, AuditSettingArrayByteForByte) {
  CTAVAuditDataTypeSettingArray settings;
  ASSERT_TRUE(settings.Add(2, 2, "Template", "Audited, Reason for Change Optional"));
  EXPECT_FALSE(settings.Add(6, 1, "Nothing", ""));  // ids 0 to 5 only
  EXPECT_EQ(Store(settings), Bytes({1, 0}) + kTemplateSetting);

  // Round trip, then a second store gives the same bytes.
  CTAVAuditDataTypeSettingArray loaded;
  Load(Bytes({1, 0}) + kTemplateSetting, loaded);
  EXPECT_EQ(loaded, settings);
  EXPECT_EQ(Store(loaded), Bytes({1, 0}) + kTemplateSetting);
  EXPECT_EQ(loaded.GetRecordingType(2), 2);
  EXPECT_EQ(loaded.GetRecordingType(3), -1);
  EXPECT_EQ(loaded.GetRecordingType(9), -1);

  // Adding a held type replaces its setting in place.
  settings.Add(0, 1, "Run File", "Audited");
  settings.Add(2, 3, "Template", "x");
  ASSERT_EQ(settings.GetSize(), 2u);
  EXPECT_EQ(settings.settings()[0].GetDataType(), 2);
  EXPECT_EQ(settings.GetRecordingType(2), 3);
}

TEST(ArchiveForms, NewerVersionsAndShortDataAreRefused) {
  for (size_t version_at : {size_t{2}, size_t{6}}) {  // setting, then type
    std::string bytes = Bytes({1, 0}) + kTemplateSetting;
    bytes[version_at] = 2;
    CTAVAuditDataTypeSettingArray settings;
    try {
      Load(bytes, settings);
      ADD_FAILURE() << "loaded a version 2";
    } catch (const CArchiveException& e) {
      EXPECT_EQ(e.cause(), CArchiveException::kBadSchema);
      EXPECT_STREQ(e.what(), "Wrong file version");
    }
  }
  // A count far beyond the data is refused before the array grows.
  CTAVAuditDataTypeSettingArray settings;
  EXPECT_THROW(Load(Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}) + kTemplateSetting, settings),
               CArchiveException);
  EXPECT_THROW(Load(Bytes({1, 0}) + kTemplateSetting.substr(0, 20), settings), CArchiveException);
}

TEST(ArchiveForms, ESigConfigurationByteForByte) {
  CTAVESigConfiguration config;
  config.SetSetting(ESigReason{2, 4, {" ARss ", "RmcL", "", "never"}}, 2);
  config.SetSetting(ESigReason{0x101, 1, {}}, 1);  // only the low 8 bits are kept
  const std::string expected = Bytes({2, 0}) +
                               Bytes({2, 4}) + Bytes({2, 0, 0, 0}) + Str("ARss") + Str("RmcL") +
                               Bytes({2, 0, 0, 0}) +
                               Bytes({1, 1}) + Bytes({0, 0, 0, 0}) + Bytes({1, 0, 0, 0});
  EXPECT_EQ(Store(config), expected);

  CTAVESigConfiguration loaded;
  Load(expected, loaded);
  ASSERT_EQ(loaded.size(), 2u);
  EXPECT_EQ(loaded.GetSetting(2, 4), 2);
  EXPECT_EQ(loaded.GetSetting(1, 1), 1);
  EXPECT_EQ(loaded.Find(2, 4)->reason.tag_paths, (std::vector<std::string>{"ARss", "RmcL"}));
  EXPECT_EQ(Store(loaded), expected);
}

TEST(ArchiveForms, AuditSettingRecordCarriesTheArchiveForm) {
  RegisterConfigRecordKinds();
  SetNameLibraryPath("/nonexistent");
  CTAVAuditDataTypeSettingArray settings;
  settings.Add(2, 2, "Template", "Audited, Reason for Change Optional");
  CAuditSettingComp record(settings.settings()[0]);
  EXPECT_EQ(testing::WriteToString(record), testing::Chunk("AUSt", kTemplateSetting));

  // Read back through the factory, and a damaged body is refused.
  std::unique_ptr<CComponent> read;
  const std::string chunk = testing::Chunk("AUSt", kTemplateSetting);
  CMemFile in(chunk.data(), chunk.size());
  ASSERT_TRUE(CreateComponent("AUSt", read));
  ASSERT_EQ(read->StreamDataIn(&in), kRecordOk);
  EXPECT_EQ(dynamic_cast<CAuditSettingComp*>(read.get())->GetSetting(), settings.settings()[0]);

  std::string bad = kTemplateSetting;
  bad[0] = 7;
  const std::string bad_chunk = testing::Chunk("AUSt", bad);
  CMemFile bad_in(bad_chunk.data(), bad_chunk.size());
  EXPECT_EQ(read->StreamDataIn(&bad_in), kRecordCorrupt);
  SetNameLibraryPath("");
}

}  // namespace
}  // namespace tav
