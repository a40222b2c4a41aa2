#include "platform/chm_extractor.h"

#include <fcntl.h>
#include <mspack.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "platform/cancellation.h"
#include "text/reference_resolver.h"
#include "text/unicode.h"

namespace tomeshift {

NotAHelpFileError::NotAHelpFileError(const std::string& path, const std::string& detail)
    : FormatError(path, "is not a compiled HTML Help file" + (detail.empty() ? "" : ": " + detail)),
      message_(path + " is not a compiled HTML Help file" + (detail.empty() ? "" : ": " + detail)) {}

namespace {

// Header bytes 0x18..0x37 hold two GUIDs, {7C01FD10-...} and {7C01FD11-...}. chmcmd and fpdoc write
// the first one twice; the HTML Help viewer accepts that, libmspack does not.
constexpr unsigned char kFirstHeaderGuid[16] = {0x10, 0xFD, 0x01, 0x7C, 0xAA, 0x7B, 0xD0, 0x11,
                                                0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};
constexpr off_t kSecondGuidOffset = 0x28;

struct BytePatch {
  off_t offset;
  unsigned char value;
};

// Where the help file's bytes come from: memory, or a file read with pread so that every handle
// libmspack opens keeps its own position.
struct Source {
  const unsigned char* data = nullptr;
  int fd = -1;
  off_t size = 0;
  // Corrections of chmcmd's header quirks, applied to every read that covers them.
  std::vector<BytePatch> patches;

  std::size_t ReadAt(off_t pos, unsigned char* out, std::size_t want) const {
    if (pos >= size) return 0;
    want = static_cast<std::size_t>(std::min<off_t>(static_cast<off_t>(want), size - pos));
    if (data) {
      std::memcpy(out, data + pos, want);
      return want;
    }
    std::size_t done = 0;
    while (done < want) {
      const ssize_t n = ::pread(fd, out + done, want - done, pos + static_cast<off_t>(done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    return done;
  }
};

// Output budget shared by every file of one extraction.
struct Budget {
  std::uint64_t remaining = 0;
  std::uint64_t written = 0;
  bool exceeded = false;
};

enum class HandleKind { kInput, kOutput, kMemory };

struct Handle {
  HandleKind kind;
  // input
  const Source* source = nullptr;
  off_t pos = 0;
  // output, to a file or into memory
  int fd = -1;
  std::string* buffer = nullptr;
  Budget* budget = nullptr;
};

// mspack_system must come first: libmspack passes it back to us as the "self" pointer.
struct IoSystem {
  mspack_system sys;
  const Source* source = nullptr;
  Budget* budget = nullptr;
  int pending_output_fd = -1;                    // handed to the next open for writing
  std::string* pending_output_buffer = nullptr;  // or this, when there is no descriptor
};

mspack_file* IoOpen(mspack_system* self, const char* /*name*/, int mode) {
  auto* io = reinterpret_cast<IoSystem*>(self);
  if (mode == MSPACK_SYS_OPEN_READ) {
    auto* h = new (std::nothrow) Handle{HandleKind::kInput};
    if (!h) return nullptr;
    h->source = io->source;
    return reinterpret_cast<mspack_file*>(h);
  }
  if (mode == MSPACK_SYS_OPEN_WRITE && io->pending_output_fd >= 0) {
    auto* h = new (std::nothrow) Handle{HandleKind::kOutput};
    if (!h) return nullptr;
    h->fd = io->pending_output_fd;
    h->budget = io->budget;
    io->pending_output_fd = -1;
    return reinterpret_cast<mspack_file*>(h);
  }
  if (mode == MSPACK_SYS_OPEN_WRITE && io->pending_output_buffer) {
    auto* h = new (std::nothrow) Handle{HandleKind::kMemory};
    if (!h) return nullptr;
    h->buffer = io->pending_output_buffer;
    h->budget = io->budget;
    io->pending_output_buffer = nullptr;
    return reinterpret_cast<mspack_file*>(h);
  }
  return nullptr;  // nothing else is ever opened, in particular no path from the help file
}

void IoClose(mspack_file* file) {
  // The output descriptor belongs to the extraction loop, which closes it.
  delete reinterpret_cast<Handle*>(file);
}

int IoRead(mspack_file* file, void* buffer, int bytes) {
  auto* h = reinterpret_cast<Handle*>(file);
  if (h->kind != HandleKind::kInput || bytes < 0) return -1;
  auto* out = static_cast<unsigned char*>(buffer);
  const std::size_t n = h->source->ReadAt(h->pos, out, static_cast<std::size_t>(bytes));
  for (const BytePatch& patch : h->source->patches) {
    if (h->pos <= patch.offset && patch.offset < h->pos + static_cast<off_t>(n))
      out[patch.offset - h->pos] = patch.value;
  }
  h->pos += static_cast<off_t>(n);
  return static_cast<int>(n);
}

int IoWrite(mspack_file* file, void* buffer, int bytes) {
  auto* h = reinterpret_cast<Handle*>(file);
  if (h->kind == HandleKind::kInput || bytes < 0) return -1;
  Budget& budget = *h->budget;
  if (static_cast<std::uint64_t>(bytes) > budget.remaining) {
    budget.exceeded = true;
    return -1;
  }
  if (h->kind == HandleKind::kMemory) {
    h->buffer->append(static_cast<const char*>(buffer), static_cast<std::size_t>(bytes));
    budget.remaining -= static_cast<std::uint64_t>(bytes);
    budget.written += static_cast<std::uint64_t>(bytes);
    return bytes;
  }
  const auto* p = static_cast<const unsigned char*>(buffer);
  int done = 0;
  while (done < bytes) {
    const ssize_t n = ::write(h->fd, p + done, static_cast<std::size_t>(bytes - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return done > 0 ? done : -1;
    done += static_cast<int>(n);
  }
  budget.remaining -= static_cast<std::uint64_t>(done);
  budget.written += static_cast<std::uint64_t>(done);
  return done;
}

int IoSeek(mspack_file* file, off_t offset, int mode) {
  auto* h = reinterpret_cast<Handle*>(file);
  if (h->kind != HandleKind::kInput) return -1;
  off_t base = 0;
  switch (mode) {
    case MSPACK_SYS_SEEK_START:
      base = 0;
      break;
    case MSPACK_SYS_SEEK_CUR:
      base = h->pos;
      break;
    case MSPACK_SYS_SEEK_END:
      base = h->source->size;
      break;
    default:
      return -1;
  }
  // Seeking past the end is allowed (a later read returns nothing), before the start is not.
  if (offset < 0 && -offset > base) return -1;
  h->pos = base + offset;
  return 0;
}

off_t IoTell(mspack_file* file) { return reinterpret_cast<Handle*>(file)->pos; }

void IoMessage(mspack_file*, const char*, ...) {
  // libmspack's warnings ("chunk size is not 4096") are not the user's business.
}

void* IoAlloc(mspack_system*, size_t bytes) { return std::malloc(bytes); }
void IoFree(void* p) { std::free(p); }
void IoCopy(void* src, void* dest, size_t bytes) { std::memcpy(dest, src, bytes); }

class Decompressor {
 public:
  explicit Decompressor(IoSystem* io) : d_(mspack_create_chm_decompressor(&io->sys)) {
    if (!d_) throw std::bad_alloc();
  }
  ~Decompressor() { mspack_destroy_chm_decompressor(d_); }
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;
  mschm_decompressor* get() const { return d_; }

 private:
  mschm_decompressor* d_;
};

class OpenHelpFile {
 public:
  OpenHelpFile(mschm_decompressor* d, const char* name) : d_(d), chm_(d->open(d, name)) {}
  ~OpenHelpFile() {
    if (chm_) d_->close(d_, chm_);
  }
  OpenHelpFile(const OpenHelpFile&) = delete;
  OpenHelpFile& operator=(const OpenHelpFile&) = delete;
  mschmd_header* get() const { return chm_; }

 private:
  mschm_decompressor* d_;
  mschmd_header* chm_;
};

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { reset(); }
  Fd(Fd&& other) noexcept : fd_(other.release()) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = other.release();
    }
    return *this;
  }
  int get() const { return fd_; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

std::string ErrnoText(int err) { return std::strerror(err); }

void CheckSelfTest() {
  int result = MSPACK_ERR_OK;
  MSPACK_SYS_SELFTEST(result);
  if (result != MSPACK_ERR_OK) throw TomeshiftError("libmspack was built with a different off_t size");
}

// The same simple case folding as the file-system boundary, so that "Images/" and "images/" land
// in one folder as they would on the file systems help files were made for.
char32_t FoldChar(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if (c < 0x80) return c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  if (c >= 0x100 && c <= 0x17F && (c & 1) && c != 0x131 && c != 0x138 && c != 0x149) return c - 1;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 32;
  if (c >= 0x430 && c <= 0x44F) return c - 32;
  if (c >= 0x450 && c <= 0x45F) return c - 80;
  return c;
}

std::u16string FoldName(std::string_view utf8) {
  std::u16string s = Utf8ToUtf16(utf8);
  for (char16_t& c : s) c = static_cast<char16_t>(FoldChar(c));
  return s;
}

std::vector<std::string_view> SplitName(std::string_view name) {
  std::vector<std::string_view> parts;
  std::size_t start = 1;  // behind the leading "/"
  while (start <= name.size()) {
    const std::size_t slash = name.find('/', start);
    const std::size_t end = slash == std::string_view::npos ? name.size() : slash;
    parts.push_back(name.substr(start, end - start));
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  return parts;
}

// libmspack keeps the entries it read before a damaged directory chunk and drops the rest without
// saying so; it also cuts a name at a NUL byte. Walking the chunks once more with the same bounds
// tells how many entries were lost, and which names were cut (what is left of them goes to cut_names).
std::size_t UnreadableDirectoryEntries(const Source& source, const mschmd_header& chm,
                                       std::set<std::string>& cut_names) {
  if (chm.chunk_size < 0x16 || chm.last_pmgl < chm.first_pmgl) return 0;
  std::vector<unsigned char> chunk(chm.chunk_size);
  std::size_t lost = 0;
  for (std::uint64_t n = chm.first_pmgl; n <= chm.last_pmgl && n < chm.num_chunks; ++n) {
    const off_t at = chm.dir_offset + static_cast<off_t>(n * chm.chunk_size);
    if (source.ReadAt(at, chunk.data(), chunk.size()) != chunk.size()) return lost + 1;
    if (std::memcmp(chunk.data(), "PMGL", 4) != 0) continue;
    const std::size_t end = chunk.size() - 2;
    const std::size_t count = chunk[end] | (chunk[end + 1] << 8);
    std::size_t p = 0x14;
    auto encint = [&](std::uint64_t& value) {
      value = 0;
      for (int bytes = 0; p < end && bytes < 9; ++bytes) {
        const unsigned char b = chunk[p++];
        value = (value << 7) | (b & 0x7F);
        if (!(b & 0x80)) return true;
      }
      return false;
    };
    for (std::size_t i = 0; i < count; ++i) {
      std::uint64_t name_len = 0, section = 0, offset = 0, length = 0;
      if (!encint(name_len) || name_len > end - p) {
        lost += count - i;
        break;
      }
      const std::string_view name(reinterpret_cast<const char*>(chunk.data()) + p, name_len);
      p += name_len;
      if (!encint(section) || !encint(offset) || !encint(length)) {
        lost += count - i;
        break;
      }
      if (const std::size_t nul = name.find('\0'); nul != std::string_view::npos) {
        cut_names.emplace(name.substr(0, nul));
      }
    }
  }
  return lost;
}

struct DataEntry {
  mschmd_file* file;
  std::string_view name;
};

// The ordinary entries in the order of their data: LZX decompression only runs forward, and going
// back restarts at a reset point, so reading them in this order keeps it one pass.
std::vector<DataEntry> EntriesInDataOrder(const mschmd_header& chm) {
  std::vector<DataEntry> entries;
  for (mschmd_file* f = chm.files; f; f = f->next) {
    const std::string_view name(f->filename);
    if (ChmExtractor::IsOrdinaryEntryName(name)) entries.push_back({f, name});
  }
  std::stable_sort(entries.begin(), entries.end(), [](const DataEntry& a, const DataEntry& b) {
    if (a.file->section->id != b.file->section->id) return a.file->section->id < b.file->section->id;
    return a.file->offset < b.file->offset;
  });
  return entries;
}

// Whether an entry's data lies where the help file can hold it: inside the file for the
// uncompressed section, within the expansion limit for the compressed one.
bool DataInRange(const mschmd_file& f, const mschmd_header& chm, const Source& source, const ChmExtractLimits& limits) {
  const off_t sec0_room = source.size - std::min(source.size, chm.sec0.offset);
  const std::uint64_t sec1_room = limits.max_expansion * static_cast<std::uint64_t>(source.size);
  if (f.offset < 0 || f.length < 0) return false;
  if (f.section->id == 0) return f.offset <= sec0_room && f.length <= sec0_room - f.offset;
  return static_cast<std::uint64_t>(f.offset) + static_cast<std::uint64_t>(f.length) <= sec1_room;
}

void ThrowOpenError(mschm_decompressor* d, const Source& source, const std::string& display_name) {
  const int err = d->last_error(d);
  if (err == MSPACK_ERR_SIGNATURE) throw NotAHelpFileError(display_name, "");
  if (err == MSPACK_ERR_NOMEMORY) throw std::bad_alloc();
  throw NotAHelpFileError(display_name,
                          source.size < 0x1000 ? "it is truncated" : "its header or directory is damaged or truncated");
}

// Writes one extraction: folders are created below the root one component at a time, each opened
// with O_NOFOLLOW relative to its parent, so no symbolic link is ever followed.
class Writer {
 public:
  explicit Writer(const std::string& root_folder) {
    root_ = Fd(::open(root_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (root_.get() < 0) throw FileError(root_folder, "cannot open the folder: " + ErrnoText(errno));
  }

  // The parent folder of an entry (created when missing), as a descriptor that stays valid until
  // the next call; -1 and a reason when that is impossible. Entries in data order mostly share
  // their folder with the one before, so the last folder is kept open.
  int OpenParent(const std::vector<std::string_view>& parts, std::size_t dir_count, std::string& reason) {
    if (dir_count == 0) return root_.get();
    std::u16string folded_path;
    for (std::size_t i = 0; i < dir_count; ++i) {
      folded_path += FoldName(parts[i]);
      folded_path += u'/';
    }
    if (cached_.get() >= 0 && folded_path == cached_path_) return cached_.get();
    cached_.reset();
    Fd current;
    int at = root_.get();
    folded_path.clear();
    for (std::size_t i = 0; i < dir_count; ++i) {
      folded_path += FoldName(parts[i]);
      folded_path += u'/';
      auto it = spelling_.find(folded_path);
      std::string name;
      if (it != spelling_.end()) {
        name = it->second;
      } else {
        name = std::string(parts[i]);
        if (::mkdirat(at, name.c_str(), 0755) != 0 && errno != EEXIST) {
          reason = "cannot create folder " + name + ": " + ErrnoText(errno);
          return -1;
        }
        spelling_.emplace(folded_path, name);
      }
      Fd next(::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
      if (next.get() < 0) {
        reason = "cannot open folder " + name + ": " + ErrnoText(errno);
        return -1;
      }
      current = std::move(next);
      at = current.get();
    }
    cached_ = std::move(current);
    cached_path_ = folded_path;
    return cached_.get();
  }

 private:
  Fd root_;
  Fd cached_;  // the folder of the last entry
  std::u16string cached_path_;
  std::map<std::u16string, std::string> spelling_;  // folded folder path -> spelling on disk
};

std::uint32_t Le32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Checks the size and notes the two quirks of chmcmd's headers that libmspack would trip over.
void PrepareSource(Source& source, const std::string& display_name) {
  CheckSelfTest();
  // Too short for the header: not worth asking libmspack.
  unsigned char header[0x50];
  if (source.size < 0x50 || source.ReadAt(0, header, sizeof header) != sizeof header) {
    throw NotAHelpFileError(display_name, "");
  }
  // The first header GUID written twice: the second one should end in ...11 where the first has 10.
  if (std::memcmp(header + 0x18, kFirstHeaderGuid, 16) == 0 &&
      std::memcmp(header + kSecondGuidOffset, kFirstHeaderGuid, 16) == 0) {
    source.patches.push_back({kSecondGuidOffset, 0x11});
  }
  // With more than one directory chunk chmcmd names chunk 1 as the first one, though chunk 0 is:
  // the real first chunk is the one without a predecessor.
  const std::uint64_t hs1 = Le32(header + 0x48) | (std::uint64_t{Le32(header + 0x4C)} << 32);
  unsigned char itsp[0x28];
  if (hs1 > static_cast<std::uint64_t>(source.size) ||
      source.ReadAt(static_cast<off_t>(hs1), itsp, sizeof itsp) != sizeof itsp || std::memcmp(itsp, "ITSP", 4) != 0) {
    return;  // libmspack will say what is wrong
  }
  const std::uint32_t first_pmgl = Le32(itsp + 0x20);
  unsigned char chunk0[0x10];
  if (first_pmgl != 0 &&
      source.ReadAt(static_cast<off_t>(hs1 + Le32(itsp + 8)), chunk0, sizeof chunk0) == sizeof chunk0 &&
      std::memcmp(chunk0, "PMGL", 4) == 0 && Le32(chunk0 + 0x0C) == 0xFFFFFFFFu) {
    for (int i = 0; i < 4; ++i) source.patches.push_back({static_cast<off_t>(hs1 + 0x20 + i), 0});
  }
}

ChmExtractReport Extract(Source& source, const std::string& display_name, const std::string& root_folder,
                         const ChmExtractLimits& limits) {
  PrepareSource(source, display_name);

  Budget budget;
  budget.remaining =
      std::min<std::uint64_t>(limits.max_total_bytes, limits.max_expansion * static_cast<std::uint64_t>(source.size));
  IoSystem io{{IoOpen, IoClose, IoRead, IoWrite, IoSeek, IoTell, IoMessage, IoAlloc, IoFree, IoCopy, nullptr},
              &source,
              &budget,
              -1};
  Decompressor decompressor(&io);
  mschm_decompressor* d = decompressor.get();
  OpenHelpFile chm(d, display_name.c_str());
  if (!chm.get()) ThrowOpenError(d, source, display_name);

  ChmExtractReport report;
  report.truncated = chm.get()->length > source.size;
  std::set<std::string> cut_names;
  if (const std::size_t lost = UnreadableDirectoryEntries(source, *chm.get(), cut_names)) {
    report.damaged_directory = true;
    report.problems.push_back("the directory is damaged: " + std::to_string(lost) + " of its entries cannot be read");
  }

  const std::vector<DataEntry> entries = EntriesInDataOrder(*chm.get());
  report.entries = entries.size();

  Writer writer(root_folder);
  for (const DataEntry& entry : entries) {
    CheckCancel();
    const std::string name(entry.name);
    if (cut_names.count(name) != 0) {
      report.problems.push_back(name + ": refused, the name contains a NUL character");
      continue;
    }
    if (!ChmExtractor::IsSafeEntryName(entry.name)) {
      report.problems.push_back(name + ": refused, the name leads outside the target folder");
      continue;
    }
    mschmd_file* f = entry.file;
    const std::vector<std::string_view> parts = SplitName(entry.name);
    const bool is_folder = parts.back().empty();
    if (parts.size() - 1 > static_cast<std::size_t>(kMaxFolderDepth)) {
      report.problems.push_back(name + ": refused, the name is nested deeper than " + std::to_string(kMaxFolderDepth) +
                                " folders");
      continue;
    }
    if (!DataInRange(*f, *chm.get(), source, limits)) {
      report.problems.push_back(name + ": skipped, its offset or length lies outside the help file");
      continue;
    }
    if (!is_folder && report.files_written >= limits.max_files) {
      report.problems.push_back("stopped after " + std::to_string(limits.max_files) + " files");
      break;
    }
    if (static_cast<std::uint64_t>(f->length) > budget.remaining) {
      report.problems.push_back(name + ": stopped, the output would exceed " +
                                std::to_string(budget.written + budget.remaining) + " bytes");
      break;
    }
    std::string reason;
    const int parent = writer.OpenParent(parts, parts.size() - 1, reason);
    if (parent < 0) {
      report.problems.push_back(name + ": skipped, " + reason);
      continue;
    }
    if (is_folder) continue;
    const std::string leaf(parts.back());
    Fd out(::openat(parent, leaf.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (out.get() < 0) {
      report.problems.push_back(name + ": skipped, " +
                                (errno == EEXIST ? std::string("the name occurs twice") : ErrnoText(errno)));
      continue;
    }
    io.pending_output_fd = out.get();
    const int err = d->extract(d, f, name.c_str());
    io.pending_output_fd = -1;
    if (err != MSPACK_ERR_OK) {
      out.reset();
      ::unlinkat(parent, leaf.c_str(), 0);
      if (budget.exceeded) {
        report.problems.push_back(name + ": stopped, the output would exceed the size limit");
        break;
      }
      report.problems.push_back(name + ": skipped, its data cannot be " +
                                (err == MSPACK_ERR_WRITE ? std::string("written") : std::string("decompressed")));
      continue;
    }
    if (::close(out.release()) != 0) {
      ::unlinkat(parent, leaf.c_str(), 0);
      report.problems.push_back(name + ": skipped, " + ErrnoText(errno));
      continue;
    }
    ++report.files_written;
  }
  report.bytes_written = budget.written;
  return report;
}

}  // namespace

bool ChmExtractor::IsOrdinaryEntryName(std::string_view name) {
  return name.size() >= 2 && name[0] == '/' && name[1] != '#' && name[1] != '$';
}

bool ChmExtractor::IsSafeEntryName(std::string_view name) {
  if (name.size() < 2 || name[0] != '/') return false;
  if (name.find('\\') != std::string_view::npos || name.find('\0') != std::string_view::npos) return false;
  const std::vector<std::string_view> parts = SplitName(name);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string_view p = parts[i];
    // An empty last part is a folder entry ("/images/"); anywhere else it makes the name absolute.
    if (p.empty() && i + 1 < parts.size()) return false;
    if (p == "." || p == "..") return false;
  }
  return !(parts.size() == 1 && parts[0].empty());
}

ChmExtractReport ChmExtractor::ExtractFile(const std::string& chm_path, const std::string& root_folder) const {
  Fd fd(::open(chm_path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) throw FileError(chm_path, "cannot open the help file: " + ErrnoText(errno));
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) throw FileError(chm_path, ErrnoText(errno));
  if (!S_ISREG(st.st_mode)) throw FileError(chm_path, "is not a file");
  Source source;
  source.fd = fd.get();
  source.size = st.st_size;
  return Extract(source, chm_path, root_folder, limits_);
}

ChmExtractReport ChmExtractor::ExtractMemory(std::string_view bytes, const std::string& display_name,
                                             const std::string& root_folder) const {
  Source source;
  source.data = reinterpret_cast<const unsigned char*>(bytes.data());
  source.size = static_cast<off_t>(bytes.size());
  return Extract(source, display_name, root_folder, limits_);
}

std::vector<ChmExtractor::Entry> ChmExtractor::ReadMemory(std::string_view bytes, const std::string& display_name,
                                                          const std::function<bool(std::string_view name)>& want,
                                                          std::uint64_t max_bytes) const {
  Source source;
  source.data = reinterpret_cast<const unsigned char*>(bytes.data());
  source.size = static_cast<off_t>(bytes.size());
  PrepareSource(source, display_name);
  Budget budget;
  budget.remaining = std::min<std::uint64_t>(max_bytes, limits_.max_total_bytes);
  IoSystem io{{IoOpen, IoClose, IoRead, IoWrite, IoSeek, IoTell, IoMessage, IoAlloc, IoFree, IoCopy, nullptr},
              &source,
              &budget,
              -1};
  Decompressor decompressor(&io);
  mschm_decompressor* d = decompressor.get();
  OpenHelpFile chm(d, display_name.c_str());
  if (!chm.get()) ThrowOpenError(d, source, display_name);

  std::vector<Entry> result;
  for (const DataEntry& entry : EntriesInDataOrder(*chm.get())) {
    Entry& out = result.emplace_back(Entry{std::string(entry.name), {}});
    mschmd_file* f = entry.file;
    if (entry.name.back() == '/' || !want(entry.name) || !DataInRange(*f, *chm.get(), source, limits_) ||
        static_cast<std::uint64_t>(f->length) > budget.remaining) {
      continue;
    }
    io.pending_output_buffer = &out.data;
    const int err = d->extract(d, f, out.name.c_str());
    io.pending_output_buffer = nullptr;
    if (err != MSPACK_ERR_OK) out.data.clear();  // damaged: as good as not chosen
  }
  return result;
}

std::vector<std::string> ChmExtractor::ListFile(const std::string& chm_path) const {
  Fd fd(::open(chm_path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) throw FileError(chm_path, "cannot open the help file: " + ErrnoText(errno));
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) throw FileError(chm_path, ErrnoText(errno));
  Source source;
  source.fd = fd.get();
  source.size = st.st_size;
  PrepareSource(source, chm_path);
  Budget budget;
  IoSystem io{{IoOpen, IoClose, IoRead, IoWrite, IoSeek, IoTell, IoMessage, IoAlloc, IoFree, IoCopy, nullptr},
              &source,
              &budget,
              -1};
  Decompressor decompressor(&io);
  OpenHelpFile chm(decompressor.get(), chm_path.c_str());
  if (!chm.get()) throw NotAHelpFileError(chm_path, "");
  std::vector<std::string> names;
  for (mschmd_file* f = chm.get()->files; f; f = f->next) {
    if (IsOrdinaryEntryName(f->filename)) names.emplace_back(f->filename);
  }
  return names;
}

}  // namespace tomeshift
