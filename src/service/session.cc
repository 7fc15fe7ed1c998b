#include "service/session.h"

#include <utility>

namespace tav::service {

Session::Session(const PeerCredentials& peer, EventSink& events) : peer_(peer), events_(events) {}

Session::~Session() {
  for (auto& [number, logon] : logons_) KorWinSec_CloseToken(logon.token);
}

int64_t Session::AddLogon(HANDLE token, std::string user_name) {
  if (logons_.size() >= kMaxLogons) return 0;
  const int64_t number = next_number_++;
  logons_.emplace(number, Logon{token, std::move(user_name)});
  return number;
}

const Logon* Session::FindLogon(int64_t number) const {
  auto it = logons_.find(number);
  return it == logons_.end() ? nullptr : &it->second;
}

bool Session::TakeLogon(int64_t number, HANDLE* token) {
  auto it = logons_.find(number);
  if (it == logons_.end()) return false;
  *token = it->second.token;
  logons_.erase(it);
  return true;
}

}  // namespace tav::service
