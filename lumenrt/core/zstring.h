// ZString: the library's reference-counted 8-bit text with copy-on-write.
//
// A ZString is one pointer to the first character of a buffer. In front of the characters lies a
// header of three 32-bit signed fields: refs, length and capacity. A buffer for capacity n takes
// n + 13 bytes (12 of header, n characters, one terminating zero). Every empty ZString points at one
// shared empty buffer (refs -1, length 0, capacity 0) that is never freed; a buffer whose refs is
// negative is never shared, so copying it copies its characters.
//
// Copies share the buffer (refs + 1); every operation that changes a string first gives it a buffer
// of its own when the buffer is shared. Allocation failure throws a heap `ZError*` of facility 75
// ("ZSTR"), message 4109, with the number of bytes requested; the string is left as it was.
//
// Thread safety: reference counts change with atomic increments and decrements, so copies of one
// text may be released on different threads. One ZString value must not be changed from two
// threads at once.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "lumenrt/platform/export.h"

class LUMENRT_EXPORT ZString {
 public:
  ZString() noexcept;
  ZString(const char* text);  // NOLINT: implicit like the library's callers expect; null is empty
  ZString(const char* text, int length);
  ZString(std::string_view text);  // NOLINT
  ZString(const ZString& other);
  ZString(ZString&& other) noexcept;
  ~ZString();

  ZString& operator=(const ZString& other);
  ZString& operator=(ZString&& other) noexcept;
  ZString& operator=(const char* text);

  // Appends; in place when the buffer is unshared and large enough, else into a new buffer of exactly
  // the new length.
  ZString& Append(const char* text);
  ZString& Append(char c);
  ZString& Append(const ZString& other);
  ZString& operator+=(const char* text) { return Append(text); }
  ZString& operator+=(char c) { return Append(c); }
  ZString& operator+=(const ZString& other) { return Append(other); }

  // First / last n characters (n < 0 gives empty, n > length gives the whole text).
  ZString Head(int n) const;
  ZString Tail(int n) const;
  // count characters from first (negative values count as 0), ending at the end of the text;
  // without a count it runs to the end.
  ZString Slice(int first, int count = kToEnd) const;
  static constexpr int kToEnd = 0x7fffffff;

  int FindChar(char c) const;         // index of the first occurrence, or -1
  int FindText(const char* t) const;  // index of the first occurrence, or -1

  void ToUpper();
  // REQUIRES: 0 <= index < Length().
  void PutChar(int index, char c);
  void TrimEnd();
  void TrimStart();
  // Removes count characters from first when count > 0 and first < length (first < 0 counts as 0;
  // the count is limited to the end of the text). Returns the length before the call.
  int Erase(int first, int count);

  // Makes the buffer unshared with room for at least max(minimum, Length()) characters and returns
  // it for writing. A minimum that cannot be allocated (negative or too large) throws the 4109 error.
  char* OpenBuffer(int minimum);
  // Sets the length (-1: up to the first zero, at most the capacity), writes the terminator and
  // shrinks the buffer to exactly the length. A length above the capacity is limited to it.
  void CloseBuffer(int newLength = -1);
  // Reallocates to exactly the length when the capacity exceeds it.
  void Compact();
  // Makes the string empty.
  void Clear();

  int Length() const noexcept { return Header()->length; }
  int Capacity() const noexcept { return Header()->capacity; }
  bool IsEmpty() const noexcept { return Length() == 0; }
  const char* c_str() const noexcept { return chars_; }
  operator const char*() const noexcept { return chars_; }  // NOLINT
  std::string_view view() const noexcept { return {chars_, static_cast<size_t>(Length())}; }
  char operator[](int index) const noexcept { return chars_[index]; }

  // Reference count of the buffer (-1 for the shared empty text); for tests and diagnostics.
  int RefCount() const noexcept;

  friend ZString operator+(const ZString& a, const ZString& b);
  friend ZString operator+(const ZString& a, const char* b);
  friend ZString operator+(const char* a, const ZString& b);
  friend ZString operator+(char a, const ZString& b);
  friend bool operator==(const ZString& a, const ZString& b) noexcept { return a.view() == b.view(); }
  friend bool operator==(const ZString& a, const char* b) noexcept {
    return a.view() == std::string_view(b ? b : "");
  }

 private:
  struct BufferHeader {
    std::int32_t refs;
    std::int32_t length;
    std::int32_t capacity;
  };
  static_assert(sizeof(BufferHeader) == 12);

  BufferHeader* Header() const noexcept {
    return reinterpret_cast<BufferHeader*>(chars_ - sizeof(BufferHeader));
  }
  static char* Allocate(std::int64_t n);  // n characters; n == 0 gives the shared empty text
  static char* EmptyChars() noexcept;
  static void Release(char* chars) noexcept;
  static char* Share(char* chars);
  static ZString Concat(std::string_view a, std::string_view b);
  void MakeUnique();           // own, unshared buffer with the same text
  void Reserve(int capacity);  // unshared buffer of at least this capacity

  char* chars_;
};

// Compares at most n characters after lower-casing each; stops after a zero in a. -1, 0 or 1.
LUMENRT_EXPORT int CompareNoCase(const char* a, const char* b, int n);
// True when the two zero-terminated texts are equal.
LUMENRT_EXPORT bool SameText(const char* a, const char* b);
// Copies a zero-terminated text (destination must have room for it) and returns 1.
LUMENRT_EXPORT int CopyText(char* destination, const char* source);
