#include <array>
#include <utility>

#include "records/audit_collection_comp.h"
#include "records/audit_entry_comp.h"
#include "records/audit_entry_obsolete_comp.h"
#include "records/audit_event_comp.h"
#include "records/component.h"
#include "records/component_path_comp.h"
#include "records/esig_config_comp.h"
#include "records/esig_event_comp.h"
#include "records/event_comp.h"
#include "records/file_record_comp.h"
#include "records/list_comp.h"
#include "records/record_date_comp.h"
#include "records/tag_registry.h"
#include "records/value_comps.h"

// The factory: which class each registered tag is made as. Tags not listed
// here belong to the instrument data model and are kept as raw components.

namespace tav {

namespace {

enum class Kind : uint8_t { kRaw, kByte, kShort, kLong, kDate, kText, kList };

struct KindList {
  Kind kind;
  std::initializer_list<const char*> tags;
};

const KindList kKinds[] = {
    {Kind::kByte, {"PRER", "POSR", "FTRD", "DRKS", "SPON", "SPRV", "HDAT", "DUSE", "DAAB", "DAAT", "MRAC", "MR2C", "ROUT", "PoRd", "SLCT", "PICC", "PIUS", "SCFL", "21EN", "CFBl", "TCCR", "SimM", "CPRM", "XTak", "FReT"}},
    {Kind::kShort, {"PCRV", "UOMC", "ROWN", "COLN", "1CTL", "STUM", "DASB", "DAEB", "DAQF", "RQAT", "ADRw", "ADCl", "Typ1", "Met1", "Typ2", "Met2", "SMOT", "SMPS", "RPSM", "NEGC", "POSC", "SRRo", "SRCo", "WelN", "CTRa", "mMty", "mMsd", "CFSh", "TCCS", "TCCP", "TCEP", "FASu"}},
    {Kind::kLong, {"VERS", "TSMP", "RFID", "DYCD", "DATC", "DATM", "EOFF", "ROFF", "SFDO", "EOPl", "EOF ", "Mdtc", "Mdtm", "SRST", "SRCT", "SRAC", "PIWE", "PIOR", "PIMR", "SSPO", "SSov", "UDCN", "CFLn", "CLMI", "InId", "FASa"}},
    {Kind::kDate, {"PISD", "PIED", "PIDS", "PIDP", "CFDb"}},
    {Kind::kText, {"LOGT", "COMM", "SPNM", "NAME", "Cdsc", "DNAM", "TASK", "RefN", "DETN", "DYER", "DYEQ", "DESC", "COMT", "OWNR", "LOCS", "aDye", "Path", "RQPD", "CALR", "ENDO", "OPTR", "TCHY", "TCEV", "TLOG", "MRKN", "ALLX", "ALLY", "Mdsc", "Mcmt", "Mown", "ADM1", "ADM2", "TRGN", "S_NM", "S_TR", "S_BA", "S_LT", "S_U1", "S_U2", "S_U3", "PINM", "PIBC", "PISO", "PIPO", "PIRO", "PICM", "PITC", "SSU1", "SSU2", "SSU3", "SSSN", "SSLO", "UDSt", "GRPn", "CFNm", "CFIk", "CFIv", "AuFN", "AuAR", "CFSt", "FFPa", "UsNa", "CFFi", "ESTN"}},
};

// Record kinds with a class of their own.
template <typename T>
std::unique_ptr<CComponent> Make(const ComponentTag&) {
  return std::make_unique<T>();
}
// Kinds that serve several tags take theirs.
template <typename T>
std::unique_ptr<CComponent> MakeTagged(const ComponentTag& tag) {
  return std::make_unique<T>(std::string_view(tag.bytes, 4));
}

struct RecordKind {
  const char* tag;
  ComponentMaker maker;
};

const RecordKind kRecordKinds[] = {
    // Audit records.
    {"EVnt", &Make<CEventComp>},
    {"AEnx", &Make<CAuditEntryComp>},
    {"CPat", &Make<CComponentPathComp>},
    {"AEvt", &Make<CAuditEventComp>},
    {"AUDT", &MakeTagged<CAuditCollectionComp>},
    {"SyEL", &MakeTagged<CAuditCollectionComp>},
    {"AUev", &Make<CAuditEntryObsoleteComp>},
    // Signatures and their configuration.
    {"ESev", &Make<CESigEventComp>},
    {"ESIG", &Make<CESigListComp>},
    {"EScf", &Make<CESigReasonConfigComp>},
    {"EScc", &Make<CESigReasonConfigListComp>},
    {"ESiT", &Make<CESigTargetConfigComp>},
    {"ESiC", &Make<CESigConfigurationsComp>},
    // Run-file records.
    {"FiRe", &Make<CFileRecordComp>},
    {"CFRL", &MakeTagged<CFileRecordListComp>},
    {"HFRL", &MakeTagged<CFileRecordListComp>},
    {"ReDa", &Make<CRecordDateComp>},
};

struct FactoryTable {
  std::array<Kind, kTagCount> kind{};
  std::array<ComponentMaker, kTagCount> maker{};

  FactoryTable() {
    for (const KindList& list : kKinds) {
      for (const char* tag : list.tags) kind[static_cast<size_t>(LookupTag(tag))] = list.kind;
    }
    for (const RecordKind& record : kRecordKinds) {
      maker[static_cast<size_t>(LookupTag(record.tag))] = record.maker;
    }
  }
};

FactoryTable& Table() {
  static FactoryTable table;
  return table;
}

std::unique_ptr<CComponent> MakeOfKind(Kind kind, const ComponentTag& tag) {
  const std::string_view t(tag.bytes, 4);
  switch (kind) {
    case Kind::kByte: return std::make_unique<CByteComp>(t);
    case Kind::kShort: return std::make_unique<CShortComp>(t);
    case Kind::kLong: return std::make_unique<CLongComp>(t);
    case Kind::kDate: return std::make_unique<CDateComp>(t);
    case Kind::kText: return std::make_unique<CTextComp>(t);
    case Kind::kList: return std::make_unique<CListComp>(t);
    case Kind::kRaw: break;
  }
  return nullptr;
}

}  // namespace

bool RegisterComponentMaker(std::string_view tag, ComponentMaker maker) {
  const int index = LookupTag(tag);
  if (index < 0) return false;
  Table().maker[static_cast<size_t>(index)] = maker;
  return true;
}

bool CreateComponent(const ComponentTag& tag, std::unique_ptr<CComponent>& out) {
  const int index = LookupTag(tag);
  if (index >= 0) {
    const FactoryTable& table = Table();
    const auto i = static_cast<size_t>(index);
    out = table.maker[i] != nullptr ? table.maker[i](tag) : MakeOfKind(table.kind[i], tag);
    if (out != nullptr) return true;
  }
  out = std::make_unique<CRawComponent>(tag);
  return false;
}

bool CreateComponent(std::string_view tag, std::unique_ptr<CComponent>& out) {
  return CreateComponent(ComponentTag(tag), out);
}

bool CloneComponent(const CComponent* source, std::unique_ptr<CComponent>& out) {
  out.reset();
  if (source == nullptr) return false;
  const bool made = CreateComponent(source->GetTag(), out);
  // A raw component still takes the bytes, so that copies lose nothing.
  out->CopyFrom(*source);
  return made;
}

}  // namespace tav
