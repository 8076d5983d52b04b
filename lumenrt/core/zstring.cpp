#include "lumenrt/core/zstring.h"

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "lumenrt/core/internal/message_numbers.h"
#include "lumenrt/core/zerror.h"
#include "lumenrt/platform/internal/text_helpers.h"

namespace {

// The shared empty text: refs -1, length 0, capacity 0, then the terminator.
struct alignas(4) EmptyBuffer {
  std::int32_t refs = -1;
  std::int32_t length = 0;
  std::int32_t capacity = 0;
  char terminator[4] = {0, 0, 0, 0};
};
EmptyBuffer g_empty;

constexpr std::int64_t kHeaderBytes = 12;
constexpr std::int64_t kMaxChars = std::numeric_limits<std::int32_t>::max() - kHeaderBytes - 1;

[[noreturn]] void RaiseNoMemory(std::int64_t bytes) {
  int reported =
      bytes > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : static_cast<int>(bytes);
  throw new ZError(75, lumenrt::kMessageNoMemory, reported, ZString());
}

// Other threads may change refs while it is read (they release or copy their own copies), so every
// read is atomic too.
std::int32_t LoadRefs(std::int32_t& refs) {
  return std::atomic_ref<std::int32_t>(refs).load(std::memory_order_relaxed);
}

int Clamp(std::size_t n) {
  if (n > static_cast<std::size_t>(kMaxChars)) RaiseNoMemory(static_cast<std::int64_t>(kMaxChars) + 14);
  return static_cast<int>(n);
}

}  // namespace

char* ZString::EmptyChars() noexcept { return g_empty.terminator; }

char* ZString::Allocate(std::int64_t n) {
  if (n == 0) return EmptyChars();
  if (n < 0 || n > kMaxChars) RaiseNoMemory(n < 0 ? n : n + kHeaderBytes + 1);
  auto* raw = static_cast<char*>(std::malloc(static_cast<std::size_t>(n + kHeaderBytes + 1)));
  if (raw == nullptr) RaiseNoMemory(n + kHeaderBytes + 1);
  auto* h = reinterpret_cast<BufferHeader*>(raw);
  h->refs = 1;
  h->length = static_cast<std::int32_t>(n);
  h->capacity = static_cast<std::int32_t>(n);
  char* chars = raw + kHeaderBytes;
  chars[n] = '\0';
  return chars;
}

void ZString::Release(char* chars) noexcept {
  auto* h = reinterpret_cast<BufferHeader*>(chars - kHeaderBytes);
  if (LoadRefs(h->refs) < 0) {
    if (chars != EmptyChars()) std::free(h);
    return;
  }
  if (std::atomic_ref<std::int32_t>(h->refs).fetch_sub(1, std::memory_order_acq_rel) <= 1) std::free(h);
}

char* ZString::Share(char* chars) {
  auto* h = reinterpret_cast<BufferHeader*>(chars - kHeaderBytes);
  if (LoadRefs(h->refs) >= 0) {
    std::atomic_ref<std::int32_t>(h->refs).fetch_add(1, std::memory_order_relaxed);
    return chars;
  }
  if (chars == EmptyChars()) return chars;
  char* copy = Allocate(h->length);  // a locked buffer is never shared: copy its characters
  std::memcpy(copy, chars, static_cast<std::size_t>(h->length));
  return copy;
}

ZString::ZString() noexcept : chars_(EmptyChars()) {}

ZString::ZString(const char* text) : ZString(std::string_view(text ? text : "")) {}

ZString::ZString(const char* text, int length)
    : ZString(text && length > 0 ? std::string_view(text, static_cast<std::size_t>(length))
                                 : std::string_view()) {}

ZString::ZString(std::string_view text) : chars_(Allocate(Clamp(text.size()))) {
  if (!text.empty()) std::memcpy(chars_, text.data(), text.size());
}

ZString::ZString(const ZString& other) : chars_(Share(other.chars_)) {}

ZString::ZString(ZString&& other) noexcept : chars_(other.chars_) { other.chars_ = EmptyChars(); }

ZString::~ZString() { Release(chars_); }

ZString& ZString::operator=(const ZString& other) {
  if (chars_ != other.chars_) {
    char* shared = Share(other.chars_);
    Release(chars_);
    chars_ = shared;
  }
  return *this;
}

ZString& ZString::operator=(ZString&& other) noexcept {
  if (this != &other) {
    Release(chars_);
    chars_ = other.chars_;
    other.chars_ = EmptyChars();
  }
  return *this;
}

ZString& ZString::operator=(const char* text) {
  if (text == chars_) return *this;
  ZString copy(text);  // text may point into this string's own buffer
  return *this = std::move(copy);
}

int ZString::RefCount() const noexcept { return LoadRefs(Header()->refs); }

void ZString::MakeUnique() {
  if (RefCount() <= 1) return;
  char* copy = Allocate(Length());
  std::memcpy(copy, chars_, static_cast<std::size_t>(Length()));
  Release(chars_);
  chars_ = copy;
}

void ZString::Reserve(int capacity) {
  if (RefCount() <= 1 && chars_ != EmptyChars() && Capacity() >= capacity) return;
  int length = Length();
  if (capacity < length) capacity = length;
  char* fresh = Allocate(capacity);
  if (fresh == EmptyChars()) return;
  std::memcpy(fresh, chars_, static_cast<std::size_t>(length));
  fresh[length] = '\0';
  reinterpret_cast<BufferHeader*>(fresh - kHeaderBytes)->length = length;
  Release(chars_);
  chars_ = fresh;
}

ZString ZString::Concat(std::string_view a, std::string_view b) {
  ZString result;
  std::int64_t n = static_cast<std::int64_t>(a.size()) + static_cast<std::int64_t>(b.size());
  result.chars_ = Allocate(n > kMaxChars ? kMaxChars + 1 : n);
  if (!a.empty()) std::memcpy(result.chars_, a.data(), a.size());
  if (!b.empty()) std::memcpy(result.chars_ + a.size(), b.data(), b.size());
  return result;
}

ZString& ZString::Append(const char* text) {
  std::string_view add(text ? text : "");
  if (add.empty()) return *this;
  std::int64_t total = static_cast<std::int64_t>(Length()) + static_cast<std::int64_t>(add.size());
  if (RefCount() == 1 && Capacity() >= total) {
    std::memmove(chars_ + Length(), add.data(), add.size());  // text may lie in our own buffer
    Header()->length = static_cast<std::int32_t>(total);
    chars_[total] = '\0';
    return *this;
  }
  ZString joined = Concat(view(), add);
  return *this = std::move(joined);
}

ZString& ZString::Append(char c) {
  char text[2] = {c, '\0'};
  if (c == '\0') return *this;
  return Append(text);
}

ZString& ZString::Append(const ZString& other) {
  if (&other == this) {
    ZString copy = Concat(view(), view());
    return *this = std::move(copy);
  }
  return Append(other.c_str());
}

ZString operator+(const ZString& a, const ZString& b) { return ZString::Concat(a.view(), b.view()); }
ZString operator+(const ZString& a, const char* b) { return ZString::Concat(a.view(), b ? b : ""); }
ZString operator+(const char* a, const ZString& b) { return ZString::Concat(a ? a : "", b.view()); }
ZString operator+(char a, const ZString& b) {
  return ZString::Concat(std::string_view(&a, a ? 1 : 0), b.view());
}

ZString ZString::Head(int n) const {
  if (n <= 0) return ZString();
  if (n >= Length()) return *this;
  return ZString(chars_, n);
}

ZString ZString::Tail(int n) const {
  if (n <= 0) return ZString();
  if (n >= Length()) return *this;
  return ZString(chars_ + Length() - n, n);
}

ZString ZString::Slice(int first, int count) const {
  if (first < 0) first = 0;
  if (first >= Length()) return ZString();
  int available = Length() - first;
  if (count < 0) count = 0;
  if (count > available) count = available;
  if (first == 0 && count == Length()) return *this;
  return ZString(chars_ + first, count);
}

int ZString::FindChar(char c) const {
  const void* p = std::memchr(chars_, c, static_cast<std::size_t>(Length()));
  return p ? static_cast<int>(static_cast<const char*>(p) - chars_) : -1;
}

int ZString::FindText(const char* t) const {
  auto pos = view().find(t ? t : "");
  return pos == std::string_view::npos ? -1 : static_cast<int>(pos);
}

void ZString::ToUpper() {
  if (IsEmpty()) return;
  MakeUnique();
  for (int i = 0; i < Length(); ++i)
    chars_[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(chars_[i])));
}

void ZString::PutChar(int index, char c) {
  if (index < 0 || index >= Length()) return;
  MakeUnique();
  chars_[index] = c;
}

void ZString::TrimEnd() {
  int n = Length();
  while (n > 0 && std::isspace(static_cast<unsigned char>(chars_[n - 1]))) --n;
  if (n == Length()) return;
  if (n == 0) {
    Clear();
    return;
  }
  MakeUnique();
  Header()->length = n;
  chars_[n] = '\0';
}

void ZString::TrimStart() {
  int n = 0;
  while (n < Length() && std::isspace(static_cast<unsigned char>(chars_[n]))) ++n;
  if (n > 0) Erase(0, n);
}

int ZString::Erase(int first, int count) {
  int before = Length();
  if (first < 0) first = 0;
  if (count <= 0 || first >= before) return before;
  if (count > before - first) count = before - first;
  if (count == before) {
    Clear();
    return before;
  }
  MakeUnique();
  std::memmove(chars_ + first, chars_ + first + count, static_cast<std::size_t>(before - first - count));
  Header()->length = before - count;
  chars_[before - count] = '\0';
  return before;
}

char* ZString::OpenBuffer(int minimum) {
  if (minimum < 0 || minimum > kMaxChars)
    RaiseNoMemory(static_cast<std::int64_t>(minimum) + kHeaderBytes + 1);
  int want = minimum > Length() ? minimum : Length();
  if (want == 0) want = 1;  // a writable buffer, never the shared empty text
  Reserve(want);
  return chars_;
}

void ZString::CloseBuffer(int newLength) {
  if (chars_ == EmptyChars()) return;
  int cap = Capacity();
  if (newLength < 0) newLength = static_cast<int>(strnlen(chars_, static_cast<std::size_t>(cap)));
  if (newLength > cap) newLength = cap;
  if (RefCount() > 1) {  // copied since it was opened: the new text goes into an exact buffer of its own
    char* own = Allocate(newLength);
    std::memcpy(own, chars_, static_cast<std::size_t>(newLength));
    Release(chars_);
    chars_ = own;
    return;
  }
  Header()->length = newLength;
  chars_[newLength] = '\0';
  Compact();
}

void ZString::Compact() {
  if (Capacity() <= Length() || chars_ == EmptyChars()) return;
  if (Length() == 0) {
    Clear();
    return;
  }
  if (RefCount() > 1) {  // an exact copy of its own; the other owners keep theirs
    MakeUnique();
    return;
  }
  auto* h = static_cast<BufferHeader*>(
      std::realloc(Header(), static_cast<std::size_t>(Length()) + kHeaderBytes + 1));
  if (h == nullptr) return;  // keep the larger buffer; nothing is lost
  h->capacity = h->length;
  chars_ = reinterpret_cast<char*>(h) + kHeaderBytes;
}

void ZString::Clear() {
  if (chars_ == EmptyChars()) return;
  if (LoadRefs(Header()->refs) < 0) {  // a locked buffer stays and is set to empty text
    Header()->length = 0;
    chars_[0] = '\0';
    return;
  }
  Release(chars_);
  chars_ = EmptyChars();
}

int CompareNoCase(const char* a, const char* b, int n) {
  return n > 0 ? lumenrt::CompareFoldedCase(a, b, static_cast<std::size_t>(n)) : 0;
}

bool SameText(const char* a, const char* b) { return std::strcmp(a ? a : "", b ? b : "") == 0; }

int CopyText(char* destination, const char* source) {
  std::strcpy(destination, source ? source : "");
  return 1;
}
