#include "tools/compress/WinZipAes.h"

#include <gtest/gtest.h>
#include <cstring>
#include <string>

namespace {
std::string Hex(const uint8_t* bytes, size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < size; ++i) {
    text.push_back(digits[bytes[i] >> 4]);
    text.push_back(digits[bytes[i] & 15]);
  }
  return text;
}

const uint8_t kSalt[kAesSaltSize] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
}  // namespace

// The published PBKDF2-HMAC-SHA1 test vectors (RFC 6070).
TEST(WinZipAes, Pbkdf2MatchesThePublishedVectors) {
  uint8_t key[25];
  const uint8_t salt[] = {'s', 'a', 'l', 't'};
  ASSERT_TRUE(DerivePbkdf2Sha1("password", salt, sizeof(salt), 1, key, 20));
  EXPECT_EQ(Hex(key, 20), "0c60c80f961f0e71f3a9b524af6012062fe037a6");
  ASSERT_TRUE(DerivePbkdf2Sha1("password", salt, sizeof(salt), 4096, key, 20));
  EXPECT_EQ(Hex(key, 20), "4b007901b765489abead49d926f721d065a429c1");
  const char longSalt[] = "saltSALTsaltSALTsaltSALTsaltSALTsalt";
  ASSERT_TRUE(DerivePbkdf2Sha1("passwordPASSWORDpassword", reinterpret_cast<const uint8_t*>(longSalt),
                               std::strlen(longSalt), 4096, key, 25));
  EXPECT_EQ(Hex(key, 25), "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038");
}

TEST(WinZipAes, HeaderIsSaltAndVerifierFromTheKeyDerivation) {
  auto encryptor = WinZipAesEncryptor::CreateWithSalt("secret", kSalt);
  ASSERT_TRUE(encryptor);
  uint8_t derived[66];
  ASSERT_TRUE(DerivePbkdf2Sha1("secret", kSalt, sizeof(kSalt), 1000, derived, sizeof(derived)));
  std::string header = encryptor->Header();
  ASSERT_EQ(header.size(), kAesSaltSize + kAesVerifierSize);
  EXPECT_EQ(header.substr(0, 16), std::string(reinterpret_cast<const char*>(kSalt), 16));
  EXPECT_EQ(header.substr(16), std::string(reinterpret_cast<const char*>(derived + 64), 2));
}

TEST(WinZipAes, RandomSaltsDiffer) {
  auto a = WinZipAesEncryptor::Create("secret");
  auto b = WinZipAesEncryptor::Create("secret");
  ASSERT_TRUE(a && b);
  EXPECT_NE(a->Header(), b->Header());
}

// The counter stream continues across calls of any size, so a piece-wise encryption (as
// the deflater's output arrives) equals a single one, and so does the authentication code.
TEST(WinZipAes, EncryptionInPiecesEqualsEncryptionAtOnce) {
  std::string plain(700001, '\0');
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<char>(i * 7 + i / 251);
  auto whole = WinZipAesEncryptor::CreateWithSalt("pw", kSalt);
  auto pieces = WinZipAesEncryptor::CreateWithSalt("pw", kSalt);
  ASSERT_TRUE(whole && pieces);
  std::string once = plain, split = plain;
  ASSERT_TRUE(whole->Encrypt(reinterpret_cast<uint8_t*>(&once[0]), once.size()));
  const size_t sizes[] = {1, 15, 16, 17, 4095, 262144, 262145, 3};
  size_t at = 0;
  for (size_t size : sizes) {
    ASSERT_TRUE(pieces->Encrypt(reinterpret_cast<uint8_t*>(&split[at]), size));
    at += size;
  }
  ASSERT_TRUE(pieces->Encrypt(reinterpret_cast<uint8_t*>(&split[at]), split.size() - at));
  EXPECT_EQ(once, split);
  EXPECT_NE(once, plain);
  uint8_t codeWhole[kAesAuthCodeSize], codePieces[kAesAuthCodeSize];
  ASSERT_TRUE(whole->FinishAuthCode(codeWhole));
  ASSERT_TRUE(pieces->FinishAuthCode(codePieces));
  EXPECT_EQ(Hex(codeWhole, 10), Hex(codePieces, 10));

  // Encrypting the result again with the same keys gives the plain text back (CTR mode).
  auto again = WinZipAesEncryptor::CreateWithSalt("pw", kSalt);
  ASSERT_TRUE(again->Encrypt(reinterpret_cast<uint8_t*>(&once[0]), once.size()));
  EXPECT_EQ(once, plain);
}
