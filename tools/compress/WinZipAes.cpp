#include "tools/compress/WinZipAes.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr unsigned kPbkdf2Iterations = 1000;
constexpr size_t kAesKeySize = 32;
constexpr size_t kAesBlock = 16;
// Counter blocks encrypted per call to the cryptography API.
constexpr size_t kKeystreamBlocks = 16384;

bool Succeeded(NTSTATUS status) { return status >= 0; }
}  // namespace

bool DerivePbkdf2Sha1(const std::string& password, const uint8_t* salt, size_t saltSize,
                      unsigned iterations, uint8_t* key, size_t keySize) {
  BCRYPT_ALG_HANDLE hmacSha1 = nullptr;
  if (!Succeeded(BCryptOpenAlgorithmProvider(&hmacSha1, BCRYPT_SHA1_ALGORITHM, nullptr,
                                             BCRYPT_ALG_HANDLE_HMAC_FLAG)))
    return false;
  NTSTATUS status = BCryptDeriveKeyPBKDF2(
      hmacSha1, reinterpret_cast<PUCHAR>(const_cast<char*>(password.data())),
      static_cast<ULONG>(password.size()), const_cast<PUCHAR>(salt), static_cast<ULONG>(saltSize),
      iterations, key, static_cast<ULONG>(keySize), 0);
  BCryptCloseAlgorithmProvider(hmacSha1, 0);
  return Succeeded(status);
}

std::unique_ptr<WinZipAesEncryptor> WinZipAesEncryptor::Create(const std::string& password) {
  uint8_t salt[kAesSaltSize];
  if (!Succeeded(BCryptGenRandom(nullptr, salt, sizeof(salt), BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
    return nullptr;
  return CreateWithSalt(password, salt);
}

std::unique_ptr<WinZipAesEncryptor> WinZipAesEncryptor::CreateWithSalt(
    const std::string& password, const uint8_t (&salt)[kAesSaltSize]) {
  std::unique_ptr<WinZipAesEncryptor> encryptor(new WinZipAesEncryptor());
  if (!encryptor->Init(password, salt)) return nullptr;
  return encryptor;
}

bool WinZipAesEncryptor::Init(const std::string& password, const uint8_t* salt) {
  std::memcpy(salt_, salt, kAesSaltSize);
  // The derived bytes are the AES key, then the HMAC key, then the password verifier.
  uint8_t derived[2 * kAesKeySize + kAesVerifierSize];
  if (!DerivePbkdf2Sha1(password, salt_, kAesSaltSize, kPbkdf2Iterations, derived, sizeof(derived)))
    return false;
  std::memcpy(verifier_, derived + 2 * kAesKeySize, kAesVerifierSize);

  // CTR mode is built from single-block encryptions of the counter (ECB, no padding).
  bool ok =
      Succeeded(BCryptOpenAlgorithmProvider(&aesAlgorithm_, BCRYPT_AES_ALGORITHM, nullptr, 0)) &&
      Succeeded(BCryptSetProperty(aesAlgorithm_, BCRYPT_CHAINING_MODE,
                                  reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_ECB)),
                                  sizeof(BCRYPT_CHAIN_MODE_ECB), 0)) &&
      Succeeded(BCryptGenerateSymmetricKey(aesAlgorithm_, &aesKey_, nullptr, 0, derived,
                                           kAesKeySize, 0)) &&
      Succeeded(BCryptOpenAlgorithmProvider(&hmacAlgorithm_, BCRYPT_SHA1_ALGORITHM, nullptr,
                                            BCRYPT_ALG_HANDLE_HMAC_FLAG)) &&
      Succeeded(BCryptCreateHash(hmacAlgorithm_, &hmac_, nullptr, 0, derived + kAesKeySize,
                                 kAesKeySize, 0));
  SecureZeroMemory(derived, sizeof(derived));
  return ok;
}

WinZipAesEncryptor::~WinZipAesEncryptor() {
  if (hmac_) BCryptDestroyHash(hmac_);
  if (hmacAlgorithm_) BCryptCloseAlgorithmProvider(hmacAlgorithm_, 0);
  if (aesKey_) BCryptDestroyKey(aesKey_);
  if (aesAlgorithm_) BCryptCloseAlgorithmProvider(aesAlgorithm_, 0);
  if (!keystream_.empty()) SecureZeroMemory(keystream_.data(), keystream_.size());
}

std::string WinZipAesEncryptor::Header() const {
  return std::string(reinterpret_cast<const char*>(salt_), kAesSaltSize) +
         std::string(reinterpret_cast<const char*>(verifier_), kAesVerifierSize);
}

// The cryptography API has no CTR mode, so the key stream is the ECB encryption of a run of
// counter blocks. Under Wine 8 this is the slow part of packing (about 40 MB/s here): its
// bcrypt encrypts an ECB buffer one block at a time, resetting the chaining vector between
// blocks, where Windows encrypts the whole buffer in one pass.
bool WinZipAesEncryptor::RefillKeystream() {
  keystream_.resize(kKeystreamBlocks * kAesBlock);
  uint8_t* block = keystream_.data();
  for (size_t i = 0; i < kKeystreamBlocks; ++i, block += kAesBlock) {
    uint64_t counter = nextCounter_++;
    for (int byte = 0; byte < 8; ++byte) block[byte] = static_cast<uint8_t>(counter >> (8 * byte));
    std::memset(block + 8, 0, 8);
  }
  ULONG produced = 0;
  if (!Succeeded(BCryptEncrypt(aesKey_, keystream_.data(), static_cast<ULONG>(keystream_.size()),
                               nullptr, nullptr, 0, keystream_.data(),
                               static_cast<ULONG>(keystream_.size()), &produced, 0)) ||
      produced != keystream_.size())
    return false;
  keystreamUsed_ = 0;
  return true;
}

bool WinZipAesEncryptor::Encrypt(uint8_t* data, size_t size) {
  uint8_t* cursor = data;
  size_t left = size;
  while (left > 0) {
    if (keystreamUsed_ == keystream_.size() && !RefillKeystream()) return false;
    size_t take = std::min(left, keystream_.size() - keystreamUsed_);
    const uint8_t* key = keystream_.data() + keystreamUsed_;
    for (size_t i = 0; i < take; ++i) cursor[i] ^= key[i];
    keystreamUsed_ += take;
    cursor += take;
    left -= take;
  }
  return Succeeded(BCryptHashData(hmac_, data, static_cast<ULONG>(size), 0));
}

bool WinZipAesEncryptor::FinishAuthCode(uint8_t (&code)[kAesAuthCodeSize]) {
  uint8_t digest[20];
  if (!Succeeded(BCryptFinishHash(hmac_, digest, sizeof(digest), 0))) return false;
  std::memcpy(code, digest, kAesAuthCodeSize);
  return true;
}
