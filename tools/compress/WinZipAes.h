// WinZip AES-256 encryption of one zip entry (AE-2), built on the Windows cryptography API.
#pragma once
#include <windows.h>
#include <bcrypt.h>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

constexpr size_t kAesSaltSize = 16;        // AES-256
constexpr size_t kAesVerifierSize = 2;
constexpr size_t kAesAuthCodeSize = 10;
constexpr size_t kAesOverhead = kAesSaltSize + kAesVerifierSize + kAesAuthCodeSize;

// PBKDF2 with HMAC-SHA1; false when the cryptography API refuses.
bool DerivePbkdf2Sha1(const std::string& password, const uint8_t* salt, size_t saltSize,
                      unsigned iterations, uint8_t* key, size_t keySize);

// Encrypts an entry's data: the salt and password verifier go in front of the data, the
// authentication code after it. Data is encrypted in place, in pieces of any size.
class WinZipAesEncryptor {
public:
  // Draws a random salt and derives the keys from the password (UTF-8 bytes); null on failure.
  static std::unique_ptr<WinZipAesEncryptor> Create(const std::string& password);
  // Same with a given salt, so that results can be reproduced.
  static std::unique_ptr<WinZipAesEncryptor> CreateWithSalt(const std::string& password,
                                                            const uint8_t (&salt)[kAesSaltSize]);
  ~WinZipAesEncryptor();
  WinZipAesEncryptor(const WinZipAesEncryptor&) = delete;
  WinZipAesEncryptor& operator=(const WinZipAesEncryptor&) = delete;

  // Salt followed by the 2-byte password verifier.
  std::string Header() const;
  // Encrypts in place and feeds the result to the authentication code; false on failure.
  bool Encrypt(uint8_t* data, size_t size);
  // The 10-byte authentication code over everything encrypted so far.
  bool FinishAuthCode(uint8_t (&code)[kAesAuthCodeSize]);

private:
  WinZipAesEncryptor() = default;
  bool Init(const std::string& password, const uint8_t* salt);
  bool RefillKeystream();

  uint8_t salt_[kAesSaltSize] = {};
  uint8_t verifier_[kAesVerifierSize] = {};
  BCRYPT_ALG_HANDLE aesAlgorithm_ = nullptr;
  BCRYPT_KEY_HANDLE aesKey_ = nullptr;
  BCRYPT_ALG_HANDLE hmacAlgorithm_ = nullptr;
  BCRYPT_HASH_HANDLE hmac_ = nullptr;
  uint64_t nextCounter_ = 1;  // WinZip's CTR counter: little-endian, starting at 1
  std::vector<uint8_t> keystream_;
  size_t keystreamUsed_ = 0;
};
