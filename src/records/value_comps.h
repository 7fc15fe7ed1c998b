// Value components: the leaf records that carry a single value. Five classes
// serve every value tag; the factory picks one per tag.
//
//   8-bit   1 byte              16-bit  2 bytes, big-endian
//   32-bit  4 bytes, big-endian date    8 bytes, OLE date, little-endian
//   text    the characters, no length prefix and no terminator
//
// Header properties add one "Value" item (kind 4) after the plain three.
#ifndef TAV_RECORDS_VALUE_COMPS_H_
#define TAV_RECORDS_VALUE_COMPS_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "records/component.h"

namespace tav {

class CByteComp : public CComponent {
 public:
  explicit CByteComp(std::string_view tag, uint8_t value = 0);
  uint8_t GetValue() const { return value_; }
  void SetValue(uint8_t v) { value_ = v; }

  void CopyFrom(const CComponent& other) override;
  void Reset() override;
  std::string GetValueText() const override;
  void AppendHeaderProperties(CPropertyItemList& list) const override;
  void AppendProperties(CPropertyItemList& list) const override;

 protected:
  int WriteData(CFile* file) override;
  int ReadData(CFile* file) override;

 private:
  void SetValueItem(CPropertyItem& item) const;
  uint8_t value_;
};

class CShortComp : public CComponent {
 public:
  explicit CShortComp(std::string_view tag, uint16_t value = 0);
  uint16_t GetValue() const { return value_; }
  void SetValue(uint16_t v) { value_ = v; }

  void CopyFrom(const CComponent& other) override;
  void Reset() override;
  std::string GetValueText() const override;
  void AppendHeaderProperties(CPropertyItemList& list) const override;
  void AppendProperties(CPropertyItemList& list) const override;

 protected:
  int WriteData(CFile* file) override;
  int ReadData(CFile* file) override;

 private:
  void SetValueItem(CPropertyItem& item) const;
  uint16_t value_;
};

class CLongComp : public CComponent {
 public:
  explicit CLongComp(std::string_view tag, uint32_t value = 0);
  uint32_t GetValue() const { return value_; }
  void SetValue(uint32_t v) { value_ = v; }

  void CopyFrom(const CComponent& other) override;
  void Reset() override;
  std::string GetValueText() const override;
  void AppendHeaderProperties(CPropertyItemList& list) const override;
  void AppendProperties(CPropertyItemList& list) const override;

 protected:
  int WriteData(CFile* file) override;
  int ReadData(CFile* file) override;

 private:
  void SetValueItem(CPropertyItem& item) const;
  uint32_t value_;
};

class CDateComp : public CComponent {
 public:
  explicit CDateComp(std::string_view tag, double value = 0.0);
  double GetValue() const { return value_; }
  void SetValue(double v) { value_ = v; }

  void CopyFrom(const CComponent& other) override;
  void Reset() override;
  std::string GetValueText() const override;
  void AppendHeaderProperties(CPropertyItemList& list) const override;
  void AppendProperties(CPropertyItemList& list) const override;

 protected:
  int WriteData(CFile* file) override;
  int ReadData(CFile* file) override;
  // The "Value" item; the record-date variant names and shapes its own.
  virtual void SetValueItem(CPropertyItem& item) const;

 private:
  double value_;
};

class CTextComp : public CComponent {
 public:
  explicit CTextComp(std::string_view tag, std::string_view text = {});
  CTextComp(std::string_view tag, const char* bytes, size_t length);
  const std::string& GetText() const { return text_; }
  void SetText(std::string text);

  void CopyFrom(const CComponent& other) override;
  void Reset() override;
  std::string GetValueText() const override { return text_; }
  void AppendHeaderProperties(CPropertyItemList& list) const override;
  void AppendProperties(CPropertyItemList& list) const override;

 protected:
  int WriteData(CFile* file) override;
  int ReadData(CFile* file) override;

 private:
  std::string text_;
};

// The name of a controlled activity, for the value text of CTRa items
// ("%d (%s)"). The configuration service installs the resolver; until then
// the name is empty.
using ActivityNameResolver = std::function<std::string(int activity)>;
void SetActivityNameResolver(ActivityNameResolver resolver);
std::string ResolveActivityName(int activity);

}  // namespace tav

#endif  // TAV_RECORDS_VALUE_COMPS_H_
