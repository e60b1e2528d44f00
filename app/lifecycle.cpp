// SPDX-License-Identifier: MIT
#include "app/lifecycle.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <functional>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace vantelo {
namespace {

std::thread::id main_thread{};
int suspension = 0;
bool suspended_for_good = false;
bool ending = false;
bool reporting_fatal_error = false;

std::vector<void (*)()>& end_procedures() {
  static std::vector<void (*)()> procedures;
  return procedures;
}

// The size of the request the allocator is failing, for the out-of-storage message.
thread_local std::size_t failing_request = 0;

[[noreturn]] void end_process(int exit_code) {
  // Windows that still exist are not torn down one by one: they vanish with the process.
  std::fflush(nullptr);
#if defined(__SANITIZE_ADDRESS__)
  // _Exit skips the leak checker's own run at exit; in the sanitizer build it runs here instead,
  // so the real program's ends are checked too (it ends the process itself if it finds a leak).
  __lsan_do_leak_check();
#endif
  std::_Exit(exit_code);
}

// From another thread the end is handed to the main thread; this thread waits for the process to go.
[[noreturn]] void forward_to_main_thread(std::function<void()> carry_out) {
  QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(carry_out), Qt::QueuedConnection);
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

bool must_forward() {
  return !on_main_thread() && QCoreApplication::instance() != nullptr;
}

void out_of_storage() {
  // No allocation here: the message is put together in static storage.
  static char message[96];
  constexpr std::string_view head = "Out of storage: ";
  constexpr std::string_view tail = " bytes were asked for.";
  char* at = std::copy(head.begin(), head.end(), message);
  at = std::to_chars(at, message + sizeof message - tail.size(), failing_request).ptr;
  at = std::copy(tail.begin(), tail.end(), at);
  fatal_error(std::string_view(message, static_cast<std::size_t>(at - message)));
}

}  // namespace

void record_main_thread() noexcept { main_thread = std::this_thread::get_id(); }
bool on_main_thread() noexcept { return main_thread == std::thread::id{} || main_thread == std::this_thread::get_id(); }

void raise_event_suspension() noexcept { ++suspension; }
void lower_event_suspension() noexcept {
  if (suspension > 0) --suspension;
}
bool events_suspended() noexcept { return suspended_for_good || suspension > 0; }

void register_end_procedure(void (*procedure)()) {
  auto& procedures = end_procedures();
  if (procedure != nullptr && std::find(procedures.begin(), procedures.end(), procedure) == procedures.end())
    procedures.push_back(procedure);
}

void end_program(int exit_code) {
  if (must_forward()) forward_to_main_thread([exit_code] { end_program(exit_code); });
  suspended_for_good = true;
  // An end procedure that ends the program again only sets the exit code.
  if (ending) end_process(exit_code);
  ending = true;
  const auto procedures = end_procedures();
  for (const auto procedure : procedures) procedure();
  end_process(exit_code);
}

void fatal_error(std::string_view message) {
  if (must_forward()) forward_to_main_thread([text = std::string(message)] { fatal_error(text); });
  suspended_for_good = true;
  std::fprintf(stderr, "vantelo: %.*s\n", static_cast<int>(message.size()), message.data());
  // A failure while reporting (storage exhausted for good, say) ends at once.
  if (reporting_fatal_error) end_process(-1);
  reporting_fatal_error = true;
  ending = true;
  end_procedures().clear();  // discarded, never run
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Vantelo"),
                    QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())), QMessageBox::Ok,
                    nullptr);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
  }
  end_process(-1);
}

void install_out_of_storage_handler() noexcept { std::set_new_handler(&out_of_storage); }

}  // namespace vantelo

// The program's allocator: the C library's, with the size of a failing request kept for the
// new-handler's message. Every form of delete matches it.
namespace vantelo {
namespace {

void* allocate(std::size_t size, std::size_t alignment) {
  if (size == 0) size = 1;
  for (;;) {
    void* block = nullptr;
    if (alignment <= alignof(std::max_align_t)) {
      block = std::malloc(size);
    } else if (posix_memalign(&block, alignment, size) != 0) {
      block = nullptr;
    }
    if (block != nullptr) return block;
    const std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    failing_request = size;
    handler();
  }
}

void* allocate_or_null(std::size_t size, std::size_t alignment) noexcept {
  try {
    return allocate(size, alignment);
  } catch (...) {
    return nullptr;
  }
}

constexpr std::size_t plain = alignof(std::max_align_t);
std::size_t of(std::align_val_t alignment) { return static_cast<std::size_t>(alignment); }

}  // namespace
}  // namespace vantelo

void* operator new(std::size_t size) { return vantelo::allocate(size, vantelo::plain); }
void* operator new[](std::size_t size) { return vantelo::allocate(size, vantelo::plain); }
void* operator new(std::size_t size, std::align_val_t alignment) { return vantelo::allocate(size, vantelo::of(alignment)); }
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return vantelo::allocate(size, vantelo::of(alignment));
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return vantelo::allocate_or_null(size, vantelo::plain);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return vantelo::allocate_or_null(size, vantelo::plain);
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return vantelo::allocate_or_null(size, vantelo::of(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return vantelo::allocate_or_null(size, vantelo::of(alignment));
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept { std::free(block); }
