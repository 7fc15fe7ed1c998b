#include "TAVSecurityUI_CXErr.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

struct ErrName {
  int32_t code;
  const char* name;
};

// Sorted by code for the binary search below. The names are the suite's
// own texts and must stay as they are, misspellings and the trailing tabs
// of code 14 included. -1005 has no name.
constexpr std::array<ErrName, 83> kErrNames = {{
    {-1430, "Instrument rejected request"},
    {-1429, "Not in amplification stage"},
    {-1428, "Tray Out"},
    {-1427, "Missing/Invalid Exposure Times"},
    {-1426, "No Sufficient Filters Selected"},
    {-1425, "No Filters Selected"},
    {-1424, "MC Error Forced Essentail Filter OFF"},
    {-1423, "Failed Spectra To MC"},
    {-1422, "No Uniformity"},
    {-1421, "User Chooses To Recalibrate Background"},
    {-1420, "Unknown Error"},
    {-1419, "Run Did Not Start"},
    {-1418, "Functional Test Failed"},
    {-1417, "User Chooses To Change Protocol"},
    {-1416, "Door Open Before Run"},
    {-1415, "Missing Pure Dye"},
    {-1414, "No Background"},
    {-1413, "Cannot Run Template"},
    {-1412, "Document Already Has Data"},
    {-1411, "Open Connection Failed"},
    {-1410, "Document Not Saved"},
    {-1409, "Download Method Failed"},
    {-1408, "Invalid Thermal Protocol"},
    {-1407, "No Thermal Protocol"},
    {-1406, "No Detectors In Wells"},
    {-1405, "No ROI Masks Found"},
    {-1404, "Hold Duration Too Short for Read"},
    {-1403, "Port Already Closed"},
    {-1402, "Port Already Assoicated"},
    {-1401, "Port Invalid Object"},
    {-1400, "Port Not Available"},
    {-1300, "Command UNKNOWN"},
    {-1201, "Bad IDP Checksum"},
    {-1200, "Bad LDP Checksum"},
    {-1103, "Bad Transaction ID"},
    {-1102, "Data Mismatch"},
    {-1101, "Bad Data Format"},
    {-1007, "Device Not Responding"},
    {-1006, "IO Transaction Out Of Sequence"},
    {-1004, "Channel Already Openned"},
    {-1003, "Couldn't Tear Down Channel"},
    {-1002, "Couldn't Close Channel"},
    {-1001, "Couldnt Open Channel"},
    {-1000, "Couldn't Init Channel"},
    {-1, "Unimplemented"},
    {0, "No Error"},
    {10, "Command Not Recognized"},
    {11, "Argument Not Recognized"},
    {12, "Call Not Supported"},
    {13, "Illegal Argument"},
    {14, "Exception Thrown\t\t\t\t\t"},
    {50, "Illegal Index"},
    {60, "Null Reference"},
    {61, "Invalid Reference"},
    {62, "Bytes Mismatch"},
    {108, "Memory Not Available"},
    {109, "Memory Corrupt Block"},
    {200, "File Corrupted"},
    {201, "File Not Found"},
    {202, "File Not Recognized"},
    {203, "File Missing Data Component"},
    {500, "Boot/App Firmware Required"},
    {501, "TC Firmware Required"},
    {502, "TC Firmware Out of Date"},
    {503, "Communications Failed"},
    {504, "Nothing To Read"},
    {1000, "IObject Failed During Init"},
    {1001, "IObject Failure During Dispose"},
    {1100, "Module Illegal Request"},
    {3000, "LDP OFFSET"},
    {3001, "LDP Invalid Count"},
    {3002, "LDP IO Type"},
    {3003, "LDP IO Rsrv"},
    {3004, "LDP TID MISMATCH"},
    {3005, "LDP IO Misc"},
    {3100, "LDP CLASSDESC CODE"},
    {3101, "LDP_CLASS_IDMISMATCH"},
    {3102, "LDP CLASS MSGMISMATCH"},
    {3200, "ML AUTOCALL OFFSET"},
    {3201, "ML AUTOCALL Get Procedure Address"},
    {3202, "ML AUTOCALL Auto Call"},
    {3203, "ML AUTOCALL User Canceled"},
    {3300, "Create PD Application"},
}};

constexpr bool IsSortedUnique() {
  for (size_t i = 1; i < kErrNames.size(); ++i) {
    if (kErrNames[i - 1].code >= kErrNames[i].code) return false;
  }
  return true;
}
static_assert(IsSortedUnique(), "the error table must be sorted by code");

constexpr const char kUnknownName[] = "Unknown";

}  // namespace

CXErr::CXErr(int32_t code) : id_(code) {}

int16_t CXErr::GetClassID() const { return static_cast<int16_t>(id_ >> 16); }

int16_t CXErr::GetMsgID() const { return static_cast<int16_t>(id_ & 0xFFFF); }

void CXErr::SetMsgID(int16_t msg_id) {
  // Unsigned arithmetic: the sign extension of msg_id is ORed in on purpose.
  uint32_t code = static_cast<uint32_t>(id_) & 0xFFFF0000u;
  code |= static_cast<uint32_t>(static_cast<int32_t>(msg_id));
  id_ = static_cast<int32_t>(code);
}

void CXErr::SetClassID(int16_t class_id) {
  const uint32_t upper = static_cast<uint32_t>(static_cast<uint16_t>(class_id)) << 16;
  id_ = static_cast<int32_t>(upper | (static_cast<uint32_t>(id_) & 0xFFFFu));
}

int32_t CXErr::operator==(int32_t code) const { return id_ == code ? 1 : 0; }

int32_t CXErr::operator==(const CXErr& other) const { return id_ == other.id_ ? 1 : 0; }

int32_t CXErr::operator!=(int32_t code) const { return id_ != code ? 1 : 0; }

std::string CXErr::GetErrName() const { return GetErrNameFromID(id_); }

std::string CXErr::GetErrNameFromID(int32_t code) const {
  const auto it = std::lower_bound(kErrNames.begin(), kErrNames.end(), code,
                                   [](const ErrName& e, int32_t c) { return e.code < c; });
  if (it == kErrNames.end() || it->code != code) return kUnknownName;
  return it->name;
}

std::string CXErr::GetErrDesc() const {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%d", static_cast<int>(id_));
  return std::string(digits) + " (" + GetErrName() + ")";
}
