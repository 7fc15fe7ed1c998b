// Damaged copies of the sample record files: a few hundred deterministic
// byte changes and cuts. Whatever the damage, reading never crashes, and a
// file that reads clean (what `tavsec records check` accepts) writes back
// to its own bytes, so that `tavsec records rewrite` of it changes nothing.
// The one exception is an older layout that the read upgrades and notes:
// its written form must then read clean, without a note, and write back to
// itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "records/chunk_file.h"
#include "util/file.h"

namespace tav {
namespace {

struct Mutant {
  std::string name;
  std::string bytes;
};

// Per file: every 7th byte flipped through four values, and cuts at a few
// places, so that headers, counts, sizes and texts are all hit.
std::vector<Mutant> MutantsOf(const std::string& name, const std::string& bytes) {
  std::vector<Mutant> out;
  const size_t n = bytes.size();
  for (size_t at = 4; at < n; at += 7) {
    for (int value : {0x00, 0xff, 0x80, 0x7f}) {
      if (static_cast<unsigned char>(bytes[at]) == value) continue;
      std::string m = bytes;
      m[at] = static_cast<char>(value);
      out.push_back({name + " byte " + std::to_string(at) + "=" + std::to_string(value), m});
    }
  }
  for (size_t cut : {n - 1, n - 2, n / 2, n * 3 / 4, size_t{9}}) {
    if (cut == 0 || cut >= n) continue;
    out.push_back({name + " cut to " + std::to_string(cut), bytes.substr(0, cut)});
  }
  return out;
}

std::string Rewritten(const std::vector<std::unique_ptr<CComponent>>& chunks) {
  CMemFile out;
  EXPECT_EQ(WriteChunkFile(&out, chunks), kRecordOk);
  return std::string(out.view());
}

TEST(RecordMutation, CleanReadsRewriteToTheirOwnBytes) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(TAV_CHUNK_CORPUS)) {
    files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_GE(files.size(), 20u);

  int mutants = 0, clean = 0, upgraded = 0;
  for (const auto& path : files) {
    const std::string name = path.filename().string();
    for (const Mutant& m : MutantsOf(name, ReadWholeFile(path.string()))) {
      ++mutants;
      CMemFile in(m.bytes.data(), m.bytes.size());
      CheckedChunkFile read = ReadChunkFileChecked(&in);
      if (!read.clean()) {
        EXPECT_FALSE(read.issues.empty()) << m.name << ": damage without a word";
        continue;
      }
      ++clean;
      const std::string once = Rewritten(read.chunks);
      if (once == m.bytes) continue;
      // Only a noted upgrade may change bytes, and only once.
      EXPECT_FALSE(read.notes.empty()) << m.name << ": read clean but rewrote differently";
      ++upgraded;
      CMemFile again_in(once.data(), once.size());
      CheckedChunkFile again = ReadChunkFileChecked(&again_in);
      EXPECT_TRUE(again.clean()) << m.name;
      EXPECT_TRUE(again.notes.empty()) << m.name << ": " << (again.notes.empty() ? "" : again.notes[0].text);
      EXPECT_EQ(Rewritten(again.chunks), once) << m.name;
    }
  }
  EXPECT_GE(mutants, 300);
  EXPECT_GT(clean, 0);
  std::printf("%d mutants, %d read clean, %d of them upgraded\n", mutants, clean, upgraded);
}

}  // namespace
}  // namespace tav
