#include "services/security/secret.h"

#include <sodium.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <utility>

namespace tav {
namespace {

std::atomic<SecretReleaseHook> g_release_hook{nullptr};

}  // namespace

SecretString::SecretString(size_t capacity) {
  if (capacity == 0 || sodium_init() < 0) return;
  data_ = static_cast<char*>(sodium_malloc(capacity + 1));
  if (data_ == nullptr) return;
  sodium_memzero(data_, capacity + 1);
  capacity_ = capacity;
}

SecretString::~SecretString() { Release(); }

SecretString::SecretString(SecretString&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

SecretString& SecretString::operator=(SecretString&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

bool SecretString::Append(char c) {
  if (size_ >= capacity_) return false;
  data_[size_++] = c;
  data_[size_] = '\0';
  return true;
}

void SecretString::PopBack() {
  if (size_ == 0) return;
  data_[--size_] = '\0';
}

void SecretString::Clear() {
  if (data_ != nullptr) sodium_memzero(data_, capacity_ + 1);
  size_ = 0;
}

void SecretString::Release() {
  if (data_ == nullptr) return;
  Clear();
  if (SecretReleaseHook hook = g_release_hook.load()) hook(data_, capacity_ + 1);
  sodium_free(data_);
  data_ = nullptr;
  capacity_ = 0;
}

bool operator==(const SecretString& a, const SecretString& b) {
  return a.size() == b.size() &&
         (a.size() == 0 || sodium_memcmp(a.c_str(), b.c_str(), a.size()) == 0);
}

ReadSecretResult ReadSecretLine(int fd, SecretString* out) {
  out->Clear();
  ReadSecretResult result = ReadSecretResult::kEndOfInput;
  char c = 0;
  for (;;) {
    ssize_t n = read(fd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      result = ReadSecretResult::kError;
      break;
    }
    if (n == 0) break;
    result = ReadSecretResult::kOk;
    if (c == '\n') break;
    if (!out->Append(c)) {
      result = ReadSecretResult::kTooLong;
      break;
    }
  }
  sodium_memzero(&c, sizeof c);
  if (result == ReadSecretResult::kOk) {
    if (!out->empty() && out->view().back() == '\r') out->PopBack();
  } else {
    out->Clear();
  }
  return result;
}

void SetSecretReleaseHookForTesting(SecretReleaseHook hook) { g_release_hook.store(hook); }

}  // namespace tav
