#include "imagecodec/decoded_picture_cache.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

#include "base/platform.h"

namespace {

constexpr char kMagic[8] = {'S', 'K', 'P', 'I', 'X', 'E', 'L', '1'};
constexpr const char* kSuffix = ".pixels";
// Entries kept in the folder; the oldest go first.
constexpr std::size_t kMostEntries = 6;

struct EntryHeader {
  char magic[8];
  DecodedPictureKey key;
  char zero[64 - 8 - sizeof(DecodedPictureKey)];
};
static_assert(sizeof(DecodedPictureKey) == 56 && sizeof(EntryHeader) == 64,
              "the pixels start at a cache line");

std::size_t EntrySize(const DecodedPictureKey& key) {
  return sizeof(EntryHeader) + static_cast<std::size_t>(key.width) * static_cast<std::size_t>(key.height) * 4;
}

bool SameKey(const DecodedPictureKey& a, const DecodedPictureKey& b) {
  return a.device == b.device && a.inode == b.inode && a.bytes == b.bytes && a.modifiedNs == b.modifiedNs &&
         a.changedNs == b.changedNs && a.width == b.width && a.height == b.height &&
         a.scaleDenominator == b.scaleDenominator;
}

std::int64_t Nanoseconds(const timespec& t) { return std::int64_t{t.tv_sec} * 1000000000 + t.tv_nsec; }

bool MakeFolders(const std::string& folder) {
  for (std::size_t slash = 1; slash <= folder.size(); ++slash) {
    if (slash != folder.size() && folder[slash] != '/') continue;
    const std::string part = folder.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

// Removes the oldest entries until `room` more leave at most kMostEntries.
void MakeRoom(const std::string& folder, std::size_t room) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  std::vector<std::pair<std::int64_t, std::string>> entries;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name.size() <= std::strlen(kSuffix) || !name.ends_with(kSuffix)) continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
      entries.emplace_back(Nanoseconds(st.st_mtim), name);
  }
  ::closedir(dir);
  std::sort(entries.begin(), entries.end());
  for (std::size_t k = 0; k + kMostEntries < entries.size() + room && k < entries.size(); ++k)
    ::unlink((folder + "/" + entries[k].second).c_str());
}

}  // namespace

std::optional<DecodedPictureKey> KeyOfPicture(int fd, int width, int height, int scaleDenominator) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  DecodedPictureKey key;
  key.device = st.st_dev;
  key.inode = st.st_ino;
  key.bytes = st.st_size;
  key.modifiedNs = Nanoseconds(st.st_mtim);
  key.changedNs = Nanoseconds(st.st_ctim);
  key.width = width;
  key.height = height;
  key.scaleDenominator = scaleDenominator;
  return key;
}

std::unique_ptr<PictureEntry> PictureEntry::Make(const DecodedPictureKey& key) {
  std::unique_ptr<PictureEntry> entry(new PictureEntry);
  entry->size_ = EntrySize(key);
  entry->bytes_.reset(new (std::nothrow) std::byte[entry->size_]);
  if (entry->bytes_ == nullptr) return nullptr;
  EntryHeader header;
  std::memset(static_cast<void*>(&header), 0, sizeof header);
  std::memcpy(header.magic, kMagic, sizeof kMagic);
  header.key = key;
  std::memcpy(entry->bytes_.get(), &header, sizeof header);
  return entry;
}

std::uint32_t* PictureEntry::Pixels() {
  return reinterpret_cast<std::uint32_t*>(bytes_.get() + sizeof(EntryHeader));
}

std::string_view PictureEntry::Bytes() const { return {reinterpret_cast<const char*>(bytes_.get()), size_}; }

KeptPicture PictureEntry::Share(std::unique_ptr<PictureEntry> entry) {
  const std::uint32_t* pixels = entry->Pixels();
  return {std::shared_ptr<const void>(std::move(entry)), pixels};
}

DecodedPictureCache::DecodedPictureCache(std::string folder, FileStore& files)
    : folder_(std::move(folder)), files_(files) {}

std::string DecodedPictureCache::PathOf(const DecodedPictureKey& key) const {
  return folder_ + "/" + std::to_string(key.device) + "-" + std::to_string(key.inode) + "-" +
         std::to_string(key.scaleDenominator) + kSuffix;
}

std::optional<KeptPicture> DecodedPictureCache::Find(const DecodedPictureKey& key) const {
  if (folder_.empty()) return std::nullopt;
  const int fd = ::open(PathOf(key).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  EntryHeader header{};
  const std::size_t size = EntrySize(key);
  const bool whole = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
                     static_cast<std::uint64_t>(st.st_size) == size &&
                     ::pread(fd, &header, sizeof header, 0) == static_cast<ssize_t>(sizeof header) &&
                     std::memcmp(header.magic, kMagic, sizeof kMagic) == 0 && SameKey(header.key, key);
  void* mapped = whole ? ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0) : MAP_FAILED;
  ::close(fd);
  if (mapped == MAP_FAILED) return std::nullopt;
  // Entries are only ever replaced by a rename, never written in place, so the mapped file
  // stays as it was read for as long as the map needs it.
  const auto* pixels =
      reinterpret_cast<const std::uint32_t*>(static_cast<const std::byte*>(mapped) + sizeof header);
  return KeptPicture{
      std::shared_ptr<const void>(mapped, [size](const void* p) { ::munmap(const_cast<void*>(p), size); }),
      pixels};
}

void DecodedPictureCache::Keep(const DecodedPictureKey& key, const PictureEntry& entry) const {
  if (folder_.empty() || !MakeFolders(folder_)) return;
  MakeRoom(folder_, 1);
  WriteFailure failure;
  files_.WriteWholeFiles({WholeFile{PathOf(key), entry.Bytes()}}, &failure);
}
