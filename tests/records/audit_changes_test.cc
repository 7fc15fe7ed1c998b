// AuditChanges: the entries that comparing two versions of a record gives,
// and the indexed matching of old children against the linear search.
#include <gtest/gtest.h>

#include <random>

#include "records/audit_entry_comp.h"
#include "records/audit_event_comp.h"
#include "records/esig_config_comp.h"
#include "records/value_comps.h"
#include "testing/bytes.h"

namespace tav {
namespace {

using testing::WriteToString;

// One entry as text: code, path and the record's bytes.
struct Entry {
  int code;
  std::string path;
  std::string record;
  bool operator==(const Entry&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Entry& e) {
  return os << "{" << e.code << ", " << e.path << ", " << e.record.size() << " bytes}";
}

std::vector<Entry> Entries(const CAuditEventComp& event) {
  std::vector<Entry> out;
  POSITION pos = event.GetFirstChildPosition();
  while (pos != nullptr) {
    auto* entry = dynamic_cast<CAuditEntryComp*>(event.GetNextChild(pos));
    if (entry == nullptr) continue;
    const CComponentPathComp* path = entry->GetRecordPath();
    out.push_back({entry->GetAuditCode(), path != nullptr ? path->GetPathText() : "",
                   entry->GetRecord() != nullptr ? WriteToString(*entry->GetRecord()) : ""});
  }
  return out;
}

std::unique_ptr<CESigReasonConfigComp> Reason(int id, int item, int setting) {
  return std::make_unique<CESigReasonConfigComp>(ESigReason{id, item, {}}, setting);
}

std::vector<Entry> Audit(CComponent& now, std::unique_ptr<CComponent> before) {
  CAuditEventComp event;
  now.AuditChanges(before, &event, nullptr);
  EXPECT_EQ(before, nullptr) << "the old version is always consumed";
  return Entries(event);
}

TEST(AuditChanges, ChangedAddedAndDeletedChildrenInOrder) {
  auto before = std::make_unique<CESigReasonConfigListComp>();
  before->AddComponent(Reason(1, 0, 1));
  before->AddComponent(Reason(2, 0, 1));
  before->AddComponent(Reason(3, 0, 0));
  CESigReasonConfigListComp now;
  now.AddComponent(Reason(4, 0, 1));
  now.AddComponent(Reason(2, 0, 1));
  now.AddComponent(Reason(1, 0, 2));
  // Added and changed entries follow the new version's order; deleted ones
  // come last.
  EXPECT_EQ(Audit(now, std::move(before)),
            (std::vector<Entry>{{kAuditAddedRecord, "EScc\\EScf", ""},
                                {kAuditChangedRecord, "EScc", WriteToString(*Reason(1, 0, 1))},
                                {kAuditDeletedRecord, "EScc", WriteToString(*Reason(3, 0, 0))}}));
}

TEST(AuditChanges, ValueChildChangeNamesTheCollection) {
  auto before = std::make_unique<CESigTargetConfigComp>("Runs");
  before->AddComponent(std::make_unique<CShortComp>("ROWN", 1));
  CESigTargetConfigComp now("Runs");
  now.AddComponent(std::make_unique<CShortComp>("ROWN", 2));
  CShortComp old_value("ROWN", 1);
  EXPECT_EQ(Audit(now, std::move(before)),
            (std::vector<Entry>{{kAuditChangedRecord, "ESiT", WriteToString(old_value)}}));
}

TEST(AuditChanges, NestedCollectionsGiveFullPaths) {
  auto make = [](int setting) {
    auto targets = std::make_unique<CESigConfigurationsComp>();
    auto target = std::make_unique<CESigTargetConfigComp>("Runs");
    auto reasons = std::make_unique<CESigReasonConfigListComp>();
    reasons->AddComponent(Reason(7, 1, setting));
    target->AddComponent(std::move(reasons));
    targets->AddComponent(std::move(target));
    // A second target, matched by name without regard to case.
    targets->AddComponent(std::make_unique<CESigTargetConfigComp>(setting == 1 ? "plates" : "PLATES"));
    return targets;
  };
  auto now = make(2);
  const auto entries = Audit(*now, make(1));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].path, "ESiC\\ESiT\\EScc");
  EXPECT_EQ(entries[0].record, WriteToString(*Reason(7, 1, 1)));
  // The renamed target is the same target: its name changed, it was not
  // deleted and added.
  EXPECT_EQ(entries[1], (Entry{kAuditChangedRecord, "ESiC\\ESiT", WriteToString(*std::make_unique<CTextComp>("ESTN", "plates"))}));
}

TEST(AuditChanges, WholeRecordsAndSameContent) {
  // Same content: nothing, and the old version is gone.
  CESigReasonConfigListComp now;
  now.AddComponent(Reason(1, 0, 1));
  auto same = std::make_unique<CESigReasonConfigListComp>();
  same->AddComponent(Reason(1, 0, 1));
  EXPECT_TRUE(Audit(now, std::move(same)).empty());

  // A leaf at the top: one entry without a path.
  CTextComp text("COMT", "new");
  EXPECT_EQ(Audit(text, std::make_unique<CTextComp>("COMT", "old")),
            (std::vector<Entry>{{kAuditChangedRecord, "", WriteToString(*std::make_unique<CTextComp>("COMT", "old"))}}));
  // No old version at all is a change without record.
  EXPECT_EQ(Audit(text, nullptr), (std::vector<Entry>{{kAuditChangedRecord, "", ""}}));

  // A list that does not audit its children is audited as a whole.
  CListComp plain("ESIG");
  plain.AddComponent(std::make_unique<CShortComp>("ROWN", 2));
  auto old_plain = std::make_unique<CListComp>("ESIG");
  old_plain->AddComponent(std::make_unique<CShortComp>("ROWN", 1));
  const std::string old_bytes = WriteToString(*old_plain);
  EXPECT_EQ(Audit(plain, std::move(old_plain)),
            (std::vector<Entry>{{kAuditChangedRecord, "", old_bytes}}));

  // Without an event the old version is still consumed.
  std::unique_ptr<CComponent> old_text = std::make_unique<CTextComp>("COMT", "x");
  text.AuditChanges(old_text, nullptr, nullptr);
  EXPECT_EQ(old_text, nullptr);
}

// A kind that narrows IsSameTag without a key of its own: values match
// when they agree modulo 3. The index must still find what a linear search
// finds, in list order.
class ModThreeValue : public CShortComp {
 public:
  explicit ModThreeValue(uint16_t v) : CShortComp("ROWN", v) {}
  bool IsSameTag(const CComponent* other) const override {
    const auto* o = dynamic_cast<const CShortComp*>(other);
    return CComponent::IsSameTag(other) && o != nullptr && o->GetValue() % 3 == GetValue() % 3;
  }
};

// Children drawn from a few tags and keys, so that matches collide.
std::unique_ptr<CESigReasonConfigListComp> RandomList(std::mt19937& rng, int n) {
  auto list = std::make_unique<CESigReasonConfigListComp>();
  for (int i = 0; i < n; ++i) {
    switch (rng() % 3) {
      case 0: list->AddComponent(Reason(int(rng() % 4), int(rng() % 2), int(rng() % 3))); break;
      case 1: list->AddComponent(std::make_unique<ModThreeValue>(uint16_t(rng() % 9))); break;
      default: list->AddComponent(std::make_unique<CTextComp>("COMT", std::string(rng() % 3, 'x'))); break;
    }
  }
  return list;
}

// The audit of a flat collection by the linear search, as the reference.
std::vector<Entry> LinearAudit(CComponent& now, CComponent& old) {
  std::vector<Entry> out, deleted;
  POSITION pos = now.GetFirstChildPosition();
  while (pos != nullptr) {
    CComponent* child = now.GetNextChild(pos);
    POSITION at = nullptr;
    if (old.FindMatchingChild(*child, &at) != nullptr) {
      std::unique_ptr<CComponent> match = old.RemoveComponent(at);
      if (!child->HasSameContent(match.get())) out.push_back({kAuditChangedRecord, "EScc", WriteToString(*match)});
    } else {
      out.push_back({kAuditAddedRecord, "EScc\\" + child->GetTagString(), ""});
    }
  }
  for (POSITION p = old.GetFirstChildPosition(); p != nullptr; p = old.GetFirstChildPosition()) {
    out.push_back({kAuditDeletedRecord, "EScc", WriteToString(*old.RemoveComponent(p))});
  }
  return out;
}

TEST(AuditChanges, IndexedMatchingEqualsTheLinearSearch) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    std::mt19937 rng_old(seed), rng_old_again(seed), rng_new(seed + 1000);
    auto old_list = RandomList(rng_old, 60);
    auto reference_old = RandomList(rng_old_again, 60);
    auto now = RandomList(rng_new, 50);
    const auto expected = LinearAudit(*now, *reference_old);
    EXPECT_EQ(Audit(*now, std::move(old_list)), expected) << "seed " << seed;
  }
}

// More changes than one event can store: none is dropped; writing the
// event refuses instead of wrapping its 16-bit count.
class BigConfigurations : public CESigConfigurationsComp {
 public:
  void Append(std::unique_ptr<CComponent> c) { AppendChild(std::move(c)); }
};

TEST(AuditChanges, KeepsEveryEntryBeyondTheStoredLimit) {
  constexpr int kChildren = 70000;
  BigConfigurations now;
  auto before = std::make_unique<BigConfigurations>();
  for (int i = 0; i < kChildren; ++i) {
    now.Append(std::make_unique<CLongComp>("VERS", uint32_t(i)));
    before->Append(std::make_unique<CLongComp>("VERS", uint32_t(i + 1)));
  }
  CAuditEventComp event;
  std::unique_ptr<CComponent> old = std::move(before);
  now.AuditChanges(old, &event, nullptr);
  EXPECT_EQ(event.GetChildCount(), size_t{kChildren});
  CMemFile file;
  EXPECT_EQ(event.StreamDataOut(&file), kRecordListFull);
}

}  // namespace
}  // namespace tav
