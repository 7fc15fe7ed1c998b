#include "records/component_path_comp.h"

namespace tav {

CComponentPathComp::CComponentPathComp() : CListComp("CPat") {}

bool CComponentPathComp::RemoveLast() {
  const POSITION last = GetLastChildPosition();
  if (last == nullptr) return false;
  RemoveComponent(last);
  return true;
}

std::string CComponentPathComp::GetPathText() const {
  std::string text;
  POSITION pos = GetFirstChildPosition();
  while (pos != nullptr) {
    const CComponent* element = GetNextChild(pos);
    if (!text.empty()) text += '\\';
    text += HexSafeTag(element->GetTag());
  }
  return text;
}

}  // namespace tav
