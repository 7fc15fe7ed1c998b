// No copy of a typed password may stay in memory the library owns.
//
// This program replaces the global operator new and delete: every block is
// zeroed when allocated, kept in a list while alive, and searched for the
// watched passwords when freed. So any std::string or other heap copy of a
// password that the service makes is caught, whether it is freed unwiped or
// kept. SecretString buffers (sodium_malloc) are searched through the
// library's release hook. Copies handed to PAM by the conversation function
// belong to PAM (it frees them, and pam_end wipes its own item) and are not
// searched.
//
// The passwords are longer than any short-string buffer, so that a
// std::string copy cannot hide inside an object.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "security_test_support.h"
#include "services/security/result_codes.h"
#include "services/security/secret.h"

namespace {

struct alignas(std::max_align_t) Block {
  Block* prev;
  Block* next;
  size_t size;
};

Block g_blocks = {&g_blocks, &g_blocks, 0};
std::atomic_flag g_lock = ATOMIC_FLAG_INIT;

struct Guard {
  Guard() {
    while (g_lock.test_and_set(std::memory_order_acquire)) {
    }
  }
  ~Guard() { g_lock.clear(std::memory_order_release); }
};

constexpr int kMaxNeedles = 2;
const char* g_needles[kMaxNeedles] = {};
std::atomic<int> g_found_in_freed{0};

bool HoldsNeedle(const void* data, size_t size) {
  for (const char* needle : g_needles) {
    if (needle != nullptr && memmem(data, size, needle, std::strlen(needle)) != nullptr) {
      return true;
    }
  }
  return false;
}

void* Allocate(size_t size) {
  auto* block = static_cast<Block*>(std::malloc(sizeof(Block) + size));
  if (block == nullptr) throw std::bad_alloc();
  std::memset(block + 1, 0, size);
  block->size = size;
  Guard guard;
  block->next = g_blocks.next;
  block->prev = &g_blocks;
  g_blocks.next->prev = block;
  g_blocks.next = block;
  return block + 1;
}

void Release(void* p) {
  if (p == nullptr) return;
  Block* block = static_cast<Block*>(p) - 1;
  {
    Guard guard;
    block->prev->next = block->next;
    block->next->prev = block->prev;
    if (HoldsNeedle(p, block->size)) g_found_in_freed.fetch_add(1);
  }
  std::free(block);
}

int CountLiveBlocksWithNeedle() {
  Guard guard;
  int found = 0;
  for (Block* b = g_blocks.next; b != &g_blocks; b = b->next) {
    if (HoldsNeedle(b + 1, b->size)) ++found;
  }
  return found;
}

std::atomic<int> g_secret_releases{0};
std::atomic<int> g_found_in_secrets{0};

void OnSecretRelease(const void* data, size_t size) {
  g_secret_releases.fetch_add(1);
  if (HoldsNeedle(data, size)) g_found_in_secrets.fetch_add(1);
}

// Watches the given passwords from construction to destruction.
class Watch {
 public:
  Watch(const char* first, const char* second) {
    Guard guard;
    g_needles[0] = first;
    g_needles[1] = second;
    g_found_in_freed = 0;
  }
  ~Watch() {
    Guard guard;
    g_needles[0] = g_needles[1] = nullptr;
  }
};

}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }

namespace tav {
namespace {

constexpr char kRight[] = "Right-Password-For-Memory-Probe-41c7";
constexpr char kWrong[] = "Wrong-Password-For-Memory-Probe-9e02";

TEST(PasswordMemoryTest, ScannerSeesAHeapCopy) {
  Watch watch(kRight, kWrong);
  { std::string copy(kRight); }
  EXPECT_EQ(g_found_in_freed.load(), 1);
  auto* kept = new std::string(kWrong);
  EXPECT_EQ(CountLiveBlocksWithNeedle(), 1);
  delete kept;
}

void AuthenticateTwiceAndImpersonate(const char* user) {
  Watch watch(kRight, kWrong);
  EXPECT_EQ(KorWinSec_aAuthenticateUser(user, "", kWrong), kSecLogonFailure);
  EXPECT_EQ(KorWinSec_aAuthenticateUser(user, "", kRight), kSecOk)
      << SecurityBackendErrorDetail();
  HANDLE token = nullptr;
  EXPECT_EQ(KorWinSec_aImpersonateUser(user, "", kRight, &token), kSecOk);
  EXPECT_EQ(g_found_in_freed.load(), 0) << "a freed block held a password";
  EXPECT_EQ(CountLiveBlocksWithNeedle(), 0) << "a live block holds a password";
  EXPECT_EQ(KorWinSec_EndImpersonation(&token), kSecOk);
}

TEST(PasswordMemoryTest, LocalBackendKeepsNoCopy) {
  testing::TempDataDir dir;
  {
    std::unique_ptr<AccountStore> store;
    std::string error;
    ASSERT_EQ(AccountStore::Open(dir.db_path(), AccountStore::Mode::kCreate, &store, &error),
              AccountStore::Status::kOk);
    ASSERT_EQ(store->Add({"alice", "", "", {"Analysts"}, false, false}, kRight, &error),
              AccountStore::Status::kOk);
  }
  AuthenticateTwiceAndImpersonate("alice");
}

TEST(PasswordMemoryTest, PamBackendKeepsNoCopy) {
  if (std::getenv("PAM_WRAPPER") == nullptr) GTEST_SKIP() << "needs pam_wrapper";
  testing::TempDataDir dir;
  dir.WriteConfig("backend = pam\npam_service = tavsec_test\n");
  AuthenticateTwiceAndImpersonate("memo");
}

TEST(PasswordMemoryTest, SecretBuffersAreWipedBeforeRelease) {
  SetSecretReleaseHookForTesting(&OnSecretRelease);
  Watch watch(kRight, kWrong);
  int pipe_fds[2];
  ASSERT_EQ(pipe(pipe_fds), 0);
  // Written piece by piece: a std::string holding the input would itself be
  // a heap copy.
  for (const char* piece : {kRight, "\r\n", kWrong, "\n"}) {
    ASSERT_EQ(write(pipe_fds[1], piece, std::strlen(piece)),
              static_cast<ssize_t>(std::strlen(piece)));
  }
  close(pipe_fds[1]);
  {
    SecretString first, second;
    ASSERT_EQ(ReadSecretLine(pipe_fds[0], &first), ReadSecretResult::kOk);
    ASSERT_EQ(ReadSecretLine(pipe_fds[0], &second), ReadSecretResult::kOk);
    EXPECT_EQ(first.view(), kRight);
    EXPECT_EQ(second.view(), kWrong);
    EXPECT_EQ(ReadSecretLine(pipe_fds[0], &second), ReadSecretResult::kEndOfInput);
  }
  close(pipe_fds[0]);
  SetSecretReleaseHookForTesting(nullptr);
  EXPECT_GE(g_secret_releases.load(), 2);
  EXPECT_EQ(g_found_in_secrets.load(), 0);
  EXPECT_EQ(g_found_in_freed.load(), 0);
}

}  // namespace
}  // namespace tav
