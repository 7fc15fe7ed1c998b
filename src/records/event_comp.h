// The event record (tag EVnt): who did something and when. It is the base
// of the signature event (ESev) and of the obsolete audit entry (AUev), and
// every audit event (AEvt) embeds its body.
//
// Body (docs/record-format.md), 9 + n bytes:
//   8  event date, OLE date, little-endian
//   1  user name size n
//   n  user name, no terminator
//
// Ownership: plain values. Thread safety: one thread at a time.
#ifndef TAV_RECORDS_EVENT_COMP_H_
#define TAV_RECORDS_EVENT_COMP_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "records/component.h"
#include "util/ole_date.h"

namespace tav {

inline constexpr size_t kMaxUserNameBytes = 255;

class CEventComp : public CComponent {
 public:
  // An unset event: date 0, empty user name.
  CEventComp();

  // Sets the user name, cut to 255 bytes without splitting a UTF-8
  // character (an empty name stays empty), and the date: exactly 0 means
  // now (local time).
  void Set(std::string_view user_name, DATE date);
  DATE GetDate() const { return date_; }
  const std::string& GetUserName() const { return user_name_; }
  // The body length of the event fields alone: 9 + the name's length.
  uint32_t GetEventBodyLength() const;
  // Takes the date and user name of another event as they are (an unset
  // date stays unset).
  void CopyEventFields(const CEventComp& other);

  void CopyFrom(const CComponent& other) override;
  void Reset() override;
  // Records with several fields show them as a group of their own.
  bool IsExpandable() const override { return true; }
  // The plain three, then "Event Date", "User Name Size", "User Name".
  void AppendHeaderProperties(CPropertyItemList& list) const override;
  // The three event items.
  void AppendProperties(CPropertyItemList& list) const override;
  void AppendEventItems(CPropertyItemList& list) const;

  // The event fields alone, for records that embed them in their body.
  void WriteEventFields(CFile* file) const;
  int ReadEventFields(CFile* file);

 protected:
  // For the kinds that extend the event (ESev, AUev).
  explicit CEventComp(std::string_view tag);

  int WriteData(CFile* file) override;
  int ReadData(CFile* file) override;

  // Recomputes the body length after a field changed; kinds that extend the
  // event add their fields.
  virtual void UpdateBodyLength();

 private:
  DATE date_ = 0.0;
  std::string user_name_;
};

}  // namespace tav

#endif  // TAV_RECORDS_EVENT_COMP_H_
