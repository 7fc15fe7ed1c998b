#include "services/filelib/file_manager.h"

#include "records/chunk_file.h"
#include "records/list_comp.h"
#include "records/tag_registry.h"
#include "services/filelib/filelib_codes.h"
#include "util/file.h"

namespace tav {

TAV2FileManager::TAV2FileManager() = default;
TAV2FileManager::~TAV2FileManager() = default;

int TAV2FileManager::Open(const std::string& path) {
  Close();
  if (path.empty()) {
    last_error_ = "no file name given";
    return kFileLibInvalidArgument;
  }
  std::vector<std::unique_ptr<CComponent>> components;
  try {
    CDiskFile file(path, CDiskFile::modeRead);
    ChunkFileError error;
    components = ReadChunkFile(&file, &error);
    if (error.code != kRecordOk) {
      last_error_ = path + ": offset " + std::to_string(error.offset) + ": " + error.text;
      return error.code;
    }
  } catch (const CFileException& e) {
    last_error_ = e.what();
    return kFileLibCannotOpen;
  }
  path_ = path;
  components_ = std::move(components);
  open_ = true;
  return kFileLibOk;
}

void TAV2FileManager::Close() {
  components_.clear();
  path_.clear();
  last_error_.clear();
  open_ = false;
}

std::string TAV2FileManager::GetFilePath() const { return path_; }

CComponent* TAV2FileManager::FindComponent(std::string_view path) const {
  const size_t slash = path.find('\\');
  const std::string_view first = path.substr(0, slash);
  // As inside a list: an unregistered tag names nothing.
  if (LookupTag(first) < 0) return nullptr;
  for (const auto& c : components_) {
    if (!c->GetTag().Is(first)) continue;
    if (slash == std::string_view::npos) return c.get();
    // The rest must name a child: a trailing backslash names nothing.
    const std::string_view rest = path.substr(slash + 1);
    return rest.empty() ? nullptr : c->FindComponent(rest);
  }
  return nullptr;
}

CListComp* TAV2FileManager::GetAuditTrail() {
  for (const auto& c : components_) {
    if (c->GetTag().Is("AUDT")) return dynamic_cast<CListComp*>(c.get());
  }
  return nullptr;
}

}  // namespace tav
