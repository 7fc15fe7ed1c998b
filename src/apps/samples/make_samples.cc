// Writes the sample record files that the demo shows: two versions of a
// small run document, the second one edited.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "records/chunk_file.h"
#include "records/list_comp.h"
#include "records/value_comps.h"
#include "util/file.h"
#include "util/ole_date.h"

namespace {

using tav::CComponent;

std::vector<std::unique_ptr<CComponent>> MakeRun(bool edited) {
  std::vector<std::unique_ptr<CComponent>> out;
  out.push_back(std::make_unique<tav::CLongComp>("VERS", 3));
  out.push_back(std::make_unique<tav::CTextComp>("PINM", "Assay plate 42"));
  out.push_back(std::make_unique<tav::CTextComp>("PIBC", edited ? "BC-000421-B" : "BC-000421-A"));
  out.push_back(std::make_unique<tav::CDateComp>("PISD", *tav::MakeOleDate(2026, 12, 1, 9, 30, 0)));
  out.push_back(std::make_unique<tav::CTextComp>(
      "COMT", edited ? "Re-run after calibration" : "First run"));
  auto wells = std::make_unique<tav::CListComp>("ESIG");
  for (int row = 1; row <= (edited ? 3 : 2); ++row) {
    wells->AddComponent(std::make_unique<tav::CShortComp>("ROWN", static_cast<uint16_t>(row)));
  }
  out.push_back(std::move(wells));
  out.push_back(std::make_unique<tav::CByteComp>("21EN", edited ? 1 : 0));
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_samples DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  try {
    for (bool edited : {false, true}) {
      tav::CMemFile file;
      if (tav::WriteChunkFile(&file, MakeRun(edited)) != tav::kRecordOk) return 1;
      tav::WriteFileAtomically(dir + (edited ? "/sample-run-v2.tav" : "/sample-run-v1.tav"),
                               file.view());
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_samples: %s\n", e.what());
    return 1;
  }
  return 0;
}
