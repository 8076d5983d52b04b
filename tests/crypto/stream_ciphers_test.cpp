// Qwik and ZCrypt1: key bytes, generator, MirrorSwap, chunking, and the vector kernels against the
// portable ones.
#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "lumenrt/crypto/internal/qwik_cipher.h"
#include "lumenrt/crypto/internal/simd_kernels.h"
#include "lumenrt/crypto/internal/zcrypt1_cipher.h"

#include "crypto/test_util.h"

namespace {

using namespace lumenrt::test;

TEST(QwikKeyBytes, PositionsFollowTheKeyLength) {
  // Keys of distinct characters, so each key byte rotated back names the position it came from.
  const int expected[11][4] = {{0, 0, 0, 0}, {1, 1, 0, 0}, {1, 2, 0, 1}, {1, 0, 0, 0},
                               {1, 4, 3, 1}, {1, 4, 2, 5}, {1, 4, 0, 4}, {1, 4, 7, 3},
                               {1, 4, 7, 2}, {1, 4, 7, 0}, {1, 4, 7, 10}};
  const std::string alphabet = "ABCDEFGHIJKLMNOP";
  for (size_t n = 1; n <= 11; ++n) {
    auto k = QwikKeyBytes(alphabet.c_str(), n);
    for (int i = 0; i < 4; ++i) {
      const int left = (i + 4) % 8;
      const uint8_t back = static_cast<uint8_t>(k[i] << left | k[i] >> ((8 - left) % 8));
      EXPECT_EQ(back, static_cast<uint8_t>('A' + expected[n - 1][i])) << "n=" << n << " i=" << i;
    }
  }
  auto one = QwikKeyBytes("\x81", 1);  // rotations right by 4, 5, 6, 7
  EXPECT_EQ(one[0], 0x18);
  EXPECT_EQ(one[1], 0x0C);
  EXPECT_EQ(one[2], 0x06);
  EXPECT_EQ(one[3], 0x03);
}

TEST(Qwik, KeyPositionsAndCallBoundaries) {
  // Long keys that agree at positions 1, 4, 7 and 10 give the same cipher; the others do not matter.
  const Bytes plain = Pattern(64);
  EXPECT_EQ(Encrypted(*Make(2, "xAyyBzzCwwDqqqq"), plain), Encrypted(*Make(2, "-A--B--C--D"), plain));
  EXPECT_NE(Encrypted(*Make(2, "xAyyBzzCwwE"), plain), Encrypted(*Make(2, "-A--B--C--D"), plain));
  // The key index restarts at every call.
  auto q = Make(2, "split");
  Bytes whole = Encrypted(*q, plain);
  for (size_t first : {4u, 6u}) {
    Bytes parts = plain;
    q->Encrypt(parts.data(), static_cast<uint32_t>(first));
    q->Encrypt(parts.data() + first, static_cast<uint32_t>(plain.size() - first));
    EXPECT_EQ(parts == whole, first % 4 == 0) << first;
  }
}

#ifndef _WIN32
// 4 GiB of address space made of one 1 MiB piece of memory mapped again and again, followed by an
// inaccessible page: a buffer that ends at the window's end can be nearly 4 GiB long at little cost,
// and any byte touched past its end faults.
class AliasedWindow {
 public:
  static constexpr size_t kSpan = size_t{1} << 32, kPiece = size_t{1} << 20;

  AliasedWindow() {
    void* base = mmap(nullptr, kSpan + 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (base == MAP_FAILED) return;
    base_ = static_cast<unsigned char*>(base);
    int fd = memfd_create("window", 0);
    bool ok = fd >= 0 && ftruncate(fd, kPiece) == 0;
    for (size_t at = 0; ok && at < kSpan; at += kPiece)
      ok = mmap(base_ + at, kPiece, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_FIXED, fd, 0) != MAP_FAILED;
    if (fd >= 0) close(fd);
    ok_ = ok;
  }
  ~AliasedWindow() {
    if (base_ != nullptr) munmap(base_, kSpan + 4096);
  }
  bool ok() const { return ok_; }
  unsigned char* EndingAt(uint32_t n) const { return base_ + kSpan - n; }

 private:
  unsigned char* base_ = nullptr;
  bool ok_ = false;
};

#endif

TEST(Qwik, LengthsNearTheLimitStayInsideTheBuffer) {
#ifdef _WIN32
  GTEST_SKIP() << "Linux only: the 4 GiB window is one memory file mapped again and again (memfd_create)";
#else
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "16 GiB of instrumented passes take too long; the guard page checks in the plain build";
#endif
  AliasedWindow window;
  ASSERT_TRUE(window.ok());
  const uint8_t key[4] = {0x13, 0xA7, 0x00, 0xFE};
  const uint32_t n = 0xFFFFFFFF;
  unsigned char* p = window.EndingAt(n);
  // Both the chosen and the portable forms; a step past the end kills the child.
  EXPECT_EXIT(
      {
        auto q = Make(2, "k");
        q->Encrypt(p, n);
        q->Decrypt(p, n);
        lumenrt::QwikEncryptPortable(p, n, key);
        lumenrt::QwikDecryptPortable(p, n, key);
        std::exit(0);
      },
      testing::ExitedWithCode(0), "");
#endif
}

TEST(ZCrypt1, MirrorSwapExchangesEveryOtherPair) {
  const std::pair<std::string, std::string> cases[] = {
      {"ABCDEF", "FBDCEA"}, {"ABCDEFG", "GBEDCFA"}, {"ABCD", "DBCA"}};
  for (const auto& [in, out] : cases) {
    std::string s = in;
    MirrorSwap(reinterpret_cast<unsigned char*>(s.data()), static_cast<uint32_t>(s.size()));
    EXPECT_EQ(s, out);
  }
  // The word-wide swap against the rule itself, for every chunk length.
  for (uint32_t m = 0; m <= 1024; ++m) {
    Bytes data = Pattern(m, m), expected = data;
    for (uint32_t i = 0; i < m / 2; i += 2) std::swap(expected[i], expected[m - 1 - i]);
    MirrorSwap(data.data(), m);
    ASSERT_EQ(data, expected) << m;
  }
}

TEST(ZCrypt1, GeneratorArithmetic) {
  ZCrypt1Generator g;
  g.Seed(0, 4);  // s = 4, one step
  EXPECT_EQ(g.value(), 67228);
  // Key word plus length of exactly -2^31: seed -1, then a negative state that stays negative.
  g.Seed(0x7FFFFFFCu, 4);
  EXPECT_EQ(g.value(), -16807);
  g.Step();
  EXPECT_EQ(g.value(), -282475249);
  // Above the divisor: (s mod 127773) * 16807 - (s div 127773) * 127773, raised when not positive.
  g.Seed(0x7FFFFFFFu, 0);  // s = 2147483647: 2836 * 16807 - 16807 * 127773 <= 0
  EXPECT_EQ(g.value(), 2836 * 16807 - 16807 * 127773 + 2147483647);
}

TEST(ZCrypt1, Chunking) {
  auto z = Make(3, "chunky");
  const Bytes plain = Pattern(2048, 4);
  const Bytes whole = Encrypted(*z, plain);
  // Every full chunk uses the same keystream: 2048 in one call equals two calls of 1024.
  const Bytes first = Encrypted(*z, Bytes(plain.begin(), plain.begin() + 1024));
  const Bytes second = Encrypted(*z, Bytes(plain.begin() + 1024, plain.end()));
  EXPECT_TRUE(std::equal(first.begin(), first.end(), whole.begin()));
  EXPECT_TRUE(std::equal(second.begin(), second.end(), whole.begin() + 1024));
  // 1025 bytes are a chunk of 1024 and a chunk of 1 seeded with key + 1.
  Bytes p1025(plain.begin(), plain.begin() + 1025);
  Bytes e1025 = Encrypted(*z, p1025);
  EXPECT_EQ(Bytes(e1025.begin(), e1025.begin() + 1024),
            Encrypted(*z, Bytes(plain.begin(), plain.begin() + 1024)));
  EXPECT_EQ(e1025[1024], Encrypted(*z, Bytes{plain[1024]})[0]);
  // 1500 in one call differs from 1000 and 500.
  Bytes p1500(plain.begin(), plain.begin() + 1500);
  Bytes one = Encrypted(*z, p1500), two = p1500;
  z->Encrypt(two.data(), 1000);
  z->Encrypt(two.data() + 1000, 500);
  EXPECT_NE(one, two);
}

TEST(StreamKernels, VectorFormsMatchPortableForms) {
  const lumenrt::StreamKernels& k = lumenrt::Kernels();
  const uint8_t key[4] = {0x13, 0xA7, 0x00, 0xFE};
  unsigned char stream[1024];
  for (int i = 0; i < 1024; ++i) stream[i] = static_cast<unsigned char>(i * 37 + 11);
  for (uint32_t n = 0; n <= 1024; n += (n < 140 ? 1 : 29)) {
    const Bytes plain = Pattern(n, n + 100);
    Bytes a = plain, b = plain;
    k.qwik_encrypt(a.data(), n, key);
    lumenrt::QwikEncryptPortable(b.data(), n, key);
    ASSERT_EQ(a, b) << "qwik encrypt " << n;
    k.qwik_decrypt(a.data(), n, key);
    lumenrt::QwikDecryptPortable(b.data(), n, key);
    ASSERT_EQ(a, b) << "qwik decrypt " << n;
    for (bool encrypt : {true, false}) {
      a = plain;
      b = plain;
      k.zcrypt1_chunk(a.data(), n, stream, encrypt);
      lumenrt::ZCrypt1ChunkPortable(b.data(), n, stream, encrypt);
      ASSERT_EQ(a, b) << "zcrypt1 " << encrypt << " " << n;
    }
  }
}

}  // namespace
