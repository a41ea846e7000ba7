#pragma once
// Earth pictures kept decoded in the user's cache, so that the next map from the same picture
// at the same scale maps the pixels instead of decoding them again: at small map sizes the
// decoding is most of a map's work. An entry names the picture file by its device, inode,
// size and change times; a picture changed or replaced in any way no longer matches, and its
// entry is then replaced. A folder of entries holds a few at most.
#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class FileStore;

// Which file a picture was decoded from, and at which size.
struct DecodedPictureKey {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t bytes = 0;
  std::int64_t modifiedNs = 0;
  std::int64_t changedNs = 0;
  std::int32_t width = 0;  // decoded, as are the rows
  std::int32_t height = 0;
  std::int32_t scaleDenominator = 1;
  std::int32_t unused = 0;  // no padding: an entry's header is all its fields
};

// The key of the open picture `fd` decoded at `width` x `height`; none when it cannot be told.
std::optional<DecodedPictureKey> KeyOfPicture(int fd, int width, int height, int scaleDenominator);

// A whole decoded picture: `pixels` (width x height, 0xffRRGGBB), kept alive by `keep`.
struct KeptPicture {
  std::shared_ptr<const void> keep;
  const std::uint32_t* pixels = nullptr;
};

// Room for a picture to be decoded into and stored as an entry: Pixels() takes the decoded
// picture, then Bytes() is the whole entry.
class PictureEntry {
 public:
  static std::unique_ptr<PictureEntry> Make(const DecodedPictureKey& key);
  std::uint32_t* Pixels();
  std::string_view Bytes() const;
  // Hands the entry's pixels over to be shared, with its memory.
  static KeptPicture Share(std::unique_ptr<PictureEntry> entry);

 private:
  PictureEntry() = default;
  std::unique_ptr<std::byte[]> bytes_;
  std::size_t size_ = 0;
};

// The pictures most this cache decodes whole to keep: larger ones are decoded only in the
// rows each map needs, as before.
inline constexpr std::int64_t kMostCachedPixels = std::int64_t{16} << 20;

class DecodedPictureCache {
 public:
  // `folder` is made when missing; empty: nothing is kept.
  DecodedPictureCache(std::string folder, FileStore& files);
  // The entry of `key` mapped from the cache, when there is a whole and matching one.
  std::optional<KeptPicture> Find(const DecodedPictureKey& key) const;
  // Stores the entry; a cache that cannot take it is passed by, as it is only a shortcut.
  void Keep(const DecodedPictureKey& key, const PictureEntry& entry) const;

 private:
  std::string PathOf(const DecodedPictureKey& key) const;
  std::string folder_;
  FileStore& files_;
};
