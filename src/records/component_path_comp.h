// A component path (tag CPat): where a record lies inside a document, as
// one new, default-valued component per level, from the outermost
// collection down (each made by AppendToPath). Its body is a list body.
// The text form joins the tags with backslashes ("EScc\EScf"); the last
// tag alone identifies the record kind of the target.
//
// Ownership: the path owns its elements. Thread safety: one thread.
#ifndef TAV_RECORDS_COMPONENT_PATH_COMP_H_
#define TAV_RECORDS_COMPONENT_PATH_COMP_H_

#include <string>

#include "records/list_comp.h"

namespace tav {

class CComponentPathComp : public CListComp {
 public:
  CComponentPathComp();

  // Destroys the last element; false when the path is empty.
  bool RemoveLast();
  // The tags joined by backslashes (bytes outside printable ASCII as \xNN);
  // "" for an empty path.
  std::string GetPathText() const;
};

}  // namespace tav

#endif  // TAV_RECORDS_COMPONENT_PATH_COMP_H_
