// Restart set: framing, durable commit, recovery and reading.
//
// A file is [header | payload | trailer]. The header is 40 bytes: the magic
// word "QMXV-RES", the format version, a byte-order mark (0x01020304 as the
// writer's machine stores it), the file number 1..11, a reserved word, the
// generation (NOUT of the set) and the payload length. The trailer is the
// CRC-32 (ISO 3309, zlib's crc32) of header and payload, then "QEND". The
// payload is the record: scalars in their binary form, every array preceded
// by its extents (32-bit integers) so a reader allocates before it reads.
// QMXVP.RES carries after its record the table of the set: for each other
// file its number, whether it belongs to the set, its length and its CRC.
//
// A write puts every file under a temporary name and makes it durable
// (fsync), then writes the commit marker QMXVRES.COMMIT (the table of all
// eleven files, itself checksummed) and syncs the directory. Only then are
// the temporaries renamed into place; the marker goes last. A stop before
// the marker is durable leaves the old set untouched; a stop after it leaves
// a marker whose files all verify, and the next read or write completes the
// renames (rolls forward). Anything else is left for the next write to
// replace.
#include "output/restart.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "output/restart_layout.h"
#include "run/errors.h"
#include "run/state.h"
#include "ui/toolkit.h"

namespace qmxv {
namespace {

namespace fs = std::filesystem;
using restart::kFileNames;
using restart::kFiles;
using restart::kSizes;

constexpr char kMagic[8] = {'Q', 'M', 'X', 'V', '-', 'R', 'E', 'S'};
constexpr char kMarkerMagic[8] = {'Q', 'M', 'X', 'V', '-', 'C', 'M', 'T'};
constexpr char kEnd[4] = {'Q', 'E', 'N', 'D'};
constexpr std::uint32_t kByteOrderMark = 0x01020304u;

struct Header {
  char magic[8];
  std::uint32_t version;
  std::uint32_t byte_order;
  std::uint32_t file;
  std::uint32_t reserved;
  std::int64_t generation;
  std::uint64_t payload;
};
static_assert(sizeof(Header) == 40, "the header is 40 bytes on every machine");
constexpr std::uint64_t kTrailer = 8;
constexpr std::uint64_t kFraming = sizeof(Header) + kTrailer;

// One entry of a set's table (in QMXVP.RES for the other files, in the
// marker for all eleven).
struct Entry {
  std::int32_t file = 0;
  std::int32_t present = 0;
  std::uint64_t length = 0;  // whole file, framing included
  std::uint32_t crc = 0;
  std::uint32_t pad = 0;
};
static_assert(sizeof(Entry) == 24);
using Table = std::array<Entry, kFiles + 1>;  // indexed by file number

restart::StageHook g_stage_hook = nullptr;
void stage(const char* what) {
  if (g_stage_hook) g_stage_hook(what);
}

std::string quoted(const char* bytes, std::size_t n) {
  std::string out;
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c >= 32 && c < 127) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return "\"" + out + "\"";
}

std::string hex32(std::uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", v);
  return buf;
}

// ---------------------------------------------------------------- writing

// Raised inside a write; the message names the file and the system's reason.
struct WriteFailure {
  std::string what;
};

std::string system_reason(int err) { return std::strerror(err); }

void sync_directory(const fs::path& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// A file being written: buffered, checksummed, synced on close.
class OutFile {
 public:
  OutFile(const fs::path& path, std::string name) : name_(std::move(name)) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) throw WriteFailure{name_ + ": " + system_reason(errno)};
    buffer_.reserve(kBuffer);
  }
  ~OutFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  OutFile(const OutFile&) = delete;
  OutFile& operator=(const OutFile&) = delete;

  void put(const void* data, std::size_t n) {
    // An empty array may have no storage, and zlib takes a null buffer as
    // a request for the initial value.
    if (n == 0) return;
    crc_ = crc32_z(crc_, static_cast<const Bytef*>(data), n);
    length_ += n;
    if (buffer_.size() + n > kBuffer) drain();
    if (n >= kBuffer) {
      write_all(data, n);
    } else {
      const char* p = static_cast<const char*>(data);
      buffer_.insert(buffer_.end(), p, p + n);
    }
  }
  std::uint32_t crc() const { return static_cast<std::uint32_t>(crc_); }
  std::uint64_t length() const { return length_; }

  // Writes what is buffered and makes the file durable.
  void close() {
    drain();
    if (::fsync(fd_) != 0) throw WriteFailure{name_ + ": " + system_reason(errno)};
    const int rc = ::close(fd_);
    fd_ = -1;
    if (rc != 0) throw WriteFailure{name_ + ": " + system_reason(errno)};
  }

 private:
  static constexpr std::size_t kBuffer = 1 << 20;
  void drain() {
    if (!buffer_.empty()) write_all(buffer_.data(), buffer_.size());
    buffer_.clear();
  }
  void write_all(const void* data, std::size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
      const ssize_t w = ::write(fd_, p, n);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) throw WriteFailure{name_ + ": " + system_reason(w < 0 ? errno : ENOSPC)};
      p += w;
      n -= static_cast<std::size_t>(w);
    }
  }

  std::string name_;
  int fd_ = -1;
  std::vector<char> buffer_;
  uLong crc_ = crc32_z(0L, Z_NULL, 0);
  std::uint64_t length_ = 0;
};

// Counts the bytes a record will take.
struct CountSink {
  std::uint64_t n = 0;
  void put(const void*, std::size_t k) { n += k; }
};

// Collects the bytes of each item (the dump).
struct StringSink {
  std::string bytes;
  void put(const void* data, std::size_t k) { bytes.append(static_cast<const char*>(data), k); }
};

// The visitor that lays a record out into a sink.
template <typename Sink>
class Writer {
 public:
  explicit Writer(Sink& sink) : sink_(sink) {}

  template <typename T>
    requires std::is_arithmetic_v<T>
  void operator()(const char*, T& v) {
    sink_.put(&v, sizeof v);
  }
  template <typename T, int R>
  void operator()(const char*, FArray<T, R>& a) {
    for (int d = 1; d <= R; ++d) extent(a.extent(d));
    sink_.put(a.data(), a.bytes());
  }
  void operator()(const char*, ElementArray<int>& a) {
    for (int d = 1; d <= 6; ++d) extent(a.extent(d));
    sink_.put(a.data(), a.bytes());
  }
  void operator()(const char* name, IPArray& a) {
    extent(a.rows());
    for (int r = 1; r <= 3; ++r) (*this)(name, a.row(r));
  }
  void check(const char*) {
    const std::int32_t v = restart::kCheckInteger;
    sink_.put(&v, sizeof v);
  }

 private:
  void extent(int e) {
    const std::int32_t v = e;
    sink_.put(&v, sizeof v);
  }
  Sink& sink_;
};

// The dump: one StringSink per item.
class Dumper {
 public:
  explicit Dumper(std::vector<restart::DumpItem>& out, int file) : out_(out), file_(file) {}
  template <typename T>
  void operator()(const char* name, T& v) {
    StringSink sink;
    Writer<StringSink> w(sink);
    w(name, v);
    out_.push_back({file_, name, std::move(sink.bytes)});
  }
  void check(const char* name) {
    StringSink sink;
    Writer<StringSink> w(sink);
    w.check(name);
    out_.push_back({file_, name, std::move(sink.bytes)});
  }

 private:
  std::vector<restart::DumpItem>& out_;
  int file_;
};

Header make_header(int file, std::int64_t generation, std::uint64_t payload, const char* magic) {
  Header h{};
  std::memcpy(h.magic, magic, sizeof h.magic);
  h.version = restart::kFormatVersion;
  h.byte_order = kByteOrderMark;
  h.file = static_cast<std::uint32_t>(file);
  h.generation = generation;
  h.payload = payload;
  return h;
}

void put_trailer(OutFile& f) {
  const std::uint32_t crc = f.crc();
  f.put(&crc, sizeof crc);
  f.put(kEnd, sizeof kEnd);
}

fs::path temp_path(const State& s, int file) { return s.DIR / restart::temporary_name(file); }
fs::path final_path(const State& s, int file) { return s.DIR / kFileNames[file]; }

// Writes the temporary of one file; its table entry (the CRC of the whole
// file is that of header and payload, the trailer's own value).
Entry write_file(State& s, int file, const Table* table) {
  CountSink count;
  {
    Writer<CountSink> w(count);
    restart::visit_file(s, file, w);
  }
  const std::uint64_t payload = count.n + (table ? (kFiles - 1) * sizeof(Entry) : 0);
  OutFile f(temp_path(s, file), restart::temporary_name(file));
  const Header h = make_header(file, s.NOUT, payload, kMagic);
  f.put(&h, sizeof h);
  {
    Writer<OutFile> w(f);
    restart::visit_file(s, file, w);
  }
  if (table)
    for (int k = 2; k <= kFiles; ++k) f.put(&(*table)[k], sizeof(Entry));
  Entry e;
  e.file = file;
  e.present = 1;
  e.crc = f.crc();
  put_trailer(f);
  e.length = f.length();
  f.close();
  return e;
}

void write_marker(const State& s, const Table& table) {
  OutFile f(s.DIR / restart::kMarkerName, restart::kMarkerName);
  const Header h = make_header(0, s.NOUT, kFiles * sizeof(Entry), kMarkerMagic);
  f.put(&h, sizeof h);
  for (int k = 1; k <= kFiles; ++k) f.put(&table[k], sizeof(Entry));
  put_trailer(f);
  f.close();
}

// ---------------------------------------------------------------- reading

// A whole file read into memory is fine for the small ones (the marker, the
// sizes file); the large ones stream through InFile.
std::optional<std::string> slurp(const fs::path& p) {
  const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string out;
  char buf[1 << 16];
  for (;;) {
    const ssize_t r = ::read(fd, buf, sizeof buf);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    out.append(buf, static_cast<std::size_t>(r));
  }
  ::close(fd);
  return out;
}

// The CRC-32 of a file's header and payload and its stored trailer, read in
// one pass; nullopt when it cannot be read or is shorter than the framing.
struct FileCheck {
  std::uint64_t length = 0;
  std::uint32_t computed = 0;
  std::uint32_t stored = 0;
};
std::optional<FileCheck> check_file(const fs::path& p) {
  const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st{};
  if (::fstat(fd, &st) != 0 || static_cast<std::uint64_t>(st.st_size) < kFraming) {
    ::close(fd);
    return std::nullopt;
  }
  FileCheck c;
  c.length = static_cast<std::uint64_t>(st.st_size);
  std::uint64_t body = c.length - kTrailer;
  uLong crc = crc32_z(0L, Z_NULL, 0);
  std::vector<char> buf(1 << 20);
  bool ok = true;
  while (body > 0) {
    const ssize_t r = ::read(fd, buf.data(), std::min<std::uint64_t>(body, buf.size()));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) {
      ok = false;
      break;
    }
    crc = crc32_z(crc, reinterpret_cast<const Bytef*>(buf.data()), static_cast<std::size_t>(r));
    body -= static_cast<std::uint64_t>(r);
  }
  char trailer[kTrailer];
  ok = ok && ::read(fd, trailer, kTrailer) == static_cast<ssize_t>(kTrailer);
  ::close(fd);
  if (!ok) return std::nullopt;
  std::memcpy(&c.stored, trailer, sizeof c.stored);
  c.computed = static_cast<std::uint32_t>(crc);
  return c;
}

bool matches(const fs::path& p, const Entry& e) {
  const auto c = check_file(p);
  return c && c->length == e.length && c->computed == e.crc && c->stored == e.crc;
}

// The marker's table when the marker is whole and ours.
std::optional<std::pair<std::int64_t, Table>> read_marker(const State& s) {
  const auto text = slurp(s.DIR / restart::kMarkerName);
  if (!text || text->size() != kFraming + kFiles * sizeof(Entry)) return std::nullopt;
  Header h;
  std::memcpy(&h, text->data(), sizeof h);
  if (std::memcmp(h.magic, kMarkerMagic, sizeof h.magic) != 0 ||
      h.version != restart::kFormatVersion || h.byte_order != kByteOrderMark)
    return std::nullopt;
  const std::size_t body = text->size() - kTrailer;
  std::uint32_t stored;
  std::memcpy(&stored, text->data() + body, sizeof stored);
  if (crc32_z(0L, reinterpret_cast<const Bytef*>(text->data()), body) != stored) return std::nullopt;
  Table t{};
  for (int k = 1; k <= kFiles; ++k)
    std::memcpy(&t[k], text->data() + sizeof h + (k - 1) * sizeof(Entry), sizeof(Entry));
  return std::make_pair(h.generation, t);
}

// Completes a commit that a stop interrupted: when the marker is whole and
// each file of its table is in place or waiting under its temporary name,
// the waiting ones are renamed and the marker removed. Otherwise nothing is
// touched.
void roll_forward(State& s) {
  if (!fs::exists(s.DIR / restart::kMarkerName)) return;
  const auto marker = read_marker(s);
  if (!marker) return;
  const Table& t = marker->second;
  std::vector<int> waiting;
  for (int k = 1; k <= kFiles; ++k) {
    if (!t[k].present) continue;
    if (matches(final_path(s, k), t[k])) continue;
    if (!matches(temp_path(s, k), t[k])) return;
    waiting.push_back(k);
  }
  for (int k : waiting) {
    std::error_code ec;
    fs::rename(temp_path(s, k), final_path(s, k), ec);
    if (ec) return;
  }
  sync_directory(s.DIR);
  std::error_code ec;
  fs::remove(s.DIR / restart::kMarkerName, ec);
  sync_directory(s.DIR);
  s.DIAG.write("Restart set of output", static_cast<int>(marker->first),
               "completed from its commit marker");
}

// A file being read: header checked, payload streamed into the state with
// every array's size checked against what is left, CRC kept on the way.
class InFile {
 public:
  InFile(const fs::path& path, std::string name) : name_(std::move(name)) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) fail("cannot be opened (" + system_reason(errno) + ")");
  }
  ~InFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  InFile(const InFile&) = delete;
  InFile& operator=(const InFile&) = delete;

  [[noreturn]] void fail(const std::string& what) const {
    throw RestartError(name_ + ": " + what);
  }
  const std::string& name() const { return name_; }

  // Checks the header against what the set expects of this file.
  Header header(int file, std::optional<std::int64_t> generation, std::uint64_t file_length) {
    Header h;
    raw(&h, sizeof h, "its header");
    check_header(h, file, generation);
    if (sizeof h + h.payload + kTrailer != file_length)
      fail("damaged header: it gives a payload of " + std::to_string(h.payload) +
           " bytes, the file has " + std::to_string(file_length) + " bytes in all");
    remaining_ = h.payload;
    return h;
  }

  void check_header(const Header& h, int file, std::optional<std::int64_t> generation) const {
    if (std::memcmp(h.magic, kMagic, sizeof kMagic) != 0)
      fail("not a QMXV restart file: expected \"QMXV-RES\" at its start, found " +
           quoted(h.magic, sizeof h.magic));
    if (h.byte_order != kByteOrderMark)
      fail("written on a machine of the other byte order (byte-order mark " +
           hex32(h.byte_order) + ", expected " + hex32(kByteOrderMark) + ")");
    if (h.version != restart::kFormatVersion)
      fail("restart format version " + std::to_string(h.version) + ", expected " +
           std::to_string(restart::kFormatVersion) + " (written by another version of QMXV)");
    if (h.file != static_cast<std::uint32_t>(file))
      fail("holds restart record " + std::to_string(h.file) +
           (h.file >= 1 && h.file <= static_cast<std::uint32_t>(kFiles)
                ? std::string(" (") + kFileNames[h.file] + ")"
                : std::string()) +
           ", expected record " + std::to_string(file));
    if (generation && h.generation != *generation)
      fail("from another restart set: written at output " + std::to_string(h.generation) +
           ", expected output " + std::to_string(*generation) + " as in QMXVP.RES");
  }

  void raw(void* data, std::size_t n, const char* what) {
    if (n == 0) return;
    char* p = static_cast<char*>(data);
    std::size_t left = n;
    while (left > 0) {
      const ssize_t r = ::read(fd_, p, left);
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) fail(std::string("cannot be read (") + system_reason(errno) + ")");
      if (r == 0) fail(std::string("ends inside ") + what);
      p += r;
      left -= static_cast<std::size_t>(r);
    }
    crc_ = crc32_z(crc_, static_cast<const Bytef*>(data), n);
  }

  // Payload bytes: refused when the record has fewer left.
  void payload(void* data, std::size_t n, const char* item) {
    if (n > remaining_)
      fail(std::string("damaged record: ") + item + " needs " + std::to_string(n) +
           " bytes, the record has " + std::to_string(remaining_) + " left");
    raw(data, n, item);
    remaining_ -= n;
  }
  std::uint64_t remaining() const { return remaining_; }

  // The trailer: the CRC of header and payload, then the end mark.
  std::uint32_t trailer() {
    if (remaining_ != 0)
      fail("damaged record: " + std::to_string(remaining_) + " bytes left over after its last item");
    const std::uint32_t computed = static_cast<std::uint32_t>(crc_);
    std::uint32_t stored;
    char end[4];
    raw(&stored, sizeof stored, "its checksum");
    raw(end, sizeof end, "its end mark");
    if (stored != computed)
      fail("damaged record: checksum " + hex32(computed) + " computed, " + hex32(stored) +
           " stored");
    if (std::memcmp(end, kEnd, sizeof kEnd) != 0)
      fail("damaged record: expected the end mark \"QEND\", found " + quoted(end, sizeof end));
    return computed;
  }

 private:
  std::string name_;
  int fd_ = -1;
  uLong crc_ = crc32_z(0L, Z_NULL, 0);
  std::uint64_t remaining_ = 0;
};

// The visitor that reads a record into the state.
class Reader {
 public:
  explicit Reader(InFile& f) : f_(f) {}

  template <typename T>
    requires std::is_arithmetic_v<T>
  void operator()(const char* name, T& v) {
    f_.payload(&v, sizeof v, name);
  }
  template <typename T, int R>
  void operator()(const char* name, FArray<T, R>& a) {
    std::array<std::int32_t, R> e;
    const std::size_t n = extents(name, e.data(), R, sizeof(T));
    std::apply([&a](auto... x) { a.allocate(x...); }, e);
    f_.payload(a.data(), n * sizeof(T), name);
  }
  void operator()(const char* name, ElementArray<int>& a) {
    std::array<std::int32_t, 6> e;
    const std::size_t n = extents(name, e.data(), 6, sizeof(int));
    std::apply([&a](auto... x) { a.allocate(x...); }, e);
    f_.payload(a.data(), n * sizeof(int), name);
  }
  void operator()(const char* name, IPArray& a) {
    std::int32_t rows;
    f_.payload(&rows, sizeof rows, name);
    if (rows < 0 || rows > 3) f_.fail(std::string("damaged record: ") + name + " has " +
                                      std::to_string(rows) + " rows, expected 0 to 3");
    std::array<FArray1<int>, 3> r;
    for (auto& row : r) (*this)(name, row);
    a.allocate(rows, r[0].extent(1));
    for (int k = 1; k <= 3; ++k) {
      if (r[k - 1].size() != a.row(k).size())
        f_.fail(std::string("damaged record: the rows of ") + name + " differ in length");
      a.row(k) = std::move(r[k - 1]);
    }
  }
  void check(const char*) { f_.payload(&check_, sizeof check_, "the check integer"); }
  std::int32_t check_value() const { return check_; }

 private:
  // Reads R extents; the number of entries, refused when the record cannot
  // hold them (a damaged extent must not ask for gigabytes).
  std::size_t extents(const char* name, std::int32_t* e, int rank, std::size_t item) {
    std::uint64_t n = 1;
    for (int d = 0; d < rank; ++d) {
      f_.payload(&e[d], sizeof e[d], name);
      if (e[d] < 0)
        f_.fail(std::string("damaged record: ") + name + " has the extent " + std::to_string(e[d]));
      n *= static_cast<std::uint64_t>(e[d]);
      if (n * item > f_.remaining())
        f_.fail(std::string("damaged record: ") + name + " needs more bytes than the record has left (" +
                std::to_string(f_.remaining()) + ")");
    }
    return static_cast<std::size_t>(n);
  }
  InFile& f_;
  std::int32_t check_ = 0;
};

std::uint64_t file_length(const fs::path& p) {
  std::error_code ec;
  const auto n = fs::file_size(p, ec);
  return ec ? 0 : static_cast<std::uint64_t>(n);
}

const char* const kRestartSetKept = "The restart files are left as they were.";

// Reads one file of the set into the state and checks it against its entry.
std::int32_t read_file(State& s, int file, const std::optional<std::int64_t>& generation,
                       const Entry* entry) {
  const fs::path p = final_path(s, file);
  InFile f(p, kFileNames[file]);
  f.header(file, generation, file_length(p));
  Reader r(f);
  restart::visit_file(s, file, r);
  const std::uint32_t crc = f.trailer();
  if (entry && crc != entry->crc)
    f.fail("from another restart set: checksum " + hex32(crc) + ", QMXVP.RES lists " +
           hex32(entry->crc));
  return r.check_value();
}

// Header, length and presence of every file of the set, before anything
// large is read: a truncated or missing file is named at once.
void check_set(const State& s, const Table& t, std::int64_t generation) {
  for (int k = 2; k <= kFiles; ++k) {
    if (!t[k].present) continue;
    const fs::path p = final_path(s, k);
    if (!fs::exists(p))
      throw RestartError(std::string(kFileNames[k]) +
                         ": missing: the restart set of output " + std::to_string(generation) +
                         " in QMXVP.RES lists it");
    const std::uint64_t found = file_length(p);
    if (found >= sizeof(Header)) {
      InFile f(p, kFileNames[k]);
      Header h;
      f.raw(&h, sizeof h, "its header");
      f.check_header(h, k, generation);
    }
    if (found < t[k].length)
      throw RestartError(std::string(kFileNames[k]) + ": truncated: expected " +
                         std::to_string(t[k].length) + " bytes, found " + std::to_string(found));
    if (found != t[k].length)
      throw RestartError(std::string(kFileNames[k]) + ": from another restart set: expected " +
                         std::to_string(t[k].length) + " bytes as QMXVP.RES lists, found " +
                         std::to_string(found));
  }
}

// Arrays the restart set leaves out when the gas has no vibrational modes,
// allocated as the data reader allocates them.
void allocate_omitted(State& s) {
  if (s.MMVM > 0) return;
  s.ISPV.allocate(s.MSP);
  s.THETAV.allocate(0, s.MSP);
  s.SPVC.allocate(2, 0, s.MSP);
  s.IPVIB.allocate(0, s.MNM);
}

void report_write_failure(State& s, const std::string& why) {
  std::string kept = "no earlier restart set is in place";
  if (fs::exists(final_path(s, kSizes))) {
    const auto text = slurp(final_path(s, kSizes));
    Header h{};
    if (text && text->size() >= sizeof h) {
      std::memcpy(&h, text->data(), sizeof h);
      kept = "the restart set of output " + std::to_string(h.generation) + " is kept";
    }
  }
  const std::string message = "Restart files of output " + std::to_string(s.NOUT) +
                              " not written (" + why + "); " + kept +
                              ", and the next output tries again";
  s.DIAG.line(message);
  std::cerr << "qmxv: " << message << '\n';
}

void remove_temporaries(const State& s) {
  std::error_code ec;
  for (int k = 1; k <= kFiles; ++k) fs::remove(temp_path(s, k), ec);
}

}  // namespace

namespace restart {

std::string temporary_name(int file) { return std::string(kFileNames[file]) + ".tmp"; }

void set_stage_hook(StageHook hook) { g_stage_hook = hook; }

std::vector<DumpItem> dump(State& s) {
  std::vector<DumpItem> out;
  for (int k = 1; k <= kFiles; ++k) {
    if (!in_set(s, k)) continue;
    Dumper d(out, k);
    visit_file(s, k, d);
  }
  return out;
}

}  // namespace restart

std::uint64_t restart_set_bytes(const State& s) {
  std::uint64_t n = 0;
  for (int k = 1; k <= kFiles; ++k)
    if (restart::in_set(s, k)) n += file_length(final_path(s, k));
  return n;
}

bool write_restart(State& s) {
  s.DIAG.line("Writing restart files, QMXVP.RES, QMXVMn.RES, QMXVVn.RES");
  Table table{};
  for (int k = 1; k <= kFiles; ++k) table[k].file = k;
  try {
    // A commit a stop interrupted is completed first, so the renames below
    // never start from a mixed set; stray temporaries are replaced.
    roll_forward(s);
    remove_temporaries(s);
    for (int k = 2; k <= kFiles; ++k)
      if (restart::in_set(s, k)) table[k] = write_file(s, k, nullptr);
    table[kSizes] = write_file(s, kSizes, &table);
    stage("temporaries written");
    write_marker(s, table);
    sync_directory(s.DIR);
    stage("marker written");
  } catch (const WriteFailure& f) {
    remove_temporaries(s);
    std::error_code ec;
    fs::remove(s.DIR / restart::kMarkerName, ec);
    report_write_failure(s, f.what);
    return false;
  } catch (const std::bad_alloc&) {
    remove_temporaries(s);
    std::error_code ec;
    fs::remove(s.DIR / restart::kMarkerName, ec);
    report_write_failure(s, "out of memory");
    return false;
  }
  // Committed: from here a stop is completed by the next read or write.
  for (int k = 1; k <= kFiles; ++k) {
    if (!table[k].present) continue;
    std::error_code ec;
    fs::rename(temp_path(s, k), final_path(s, k), ec);
    if (ec) {
      report_write_failure(s, std::string(kFileNames[k]) + ": " + ec.message());
      return false;
    }
    stage((std::string("renamed ") + kFileNames[k]).c_str());
  }
  sync_directory(s.DIR);
  stage("renames done");
  std::error_code ec;
  fs::remove(s.DIR / restart::kMarkerName, ec);
  sync_directory(s.DIR);
  stage("marker removed");
  return true;
}

void read_restart(State& s, ui::Toolkit& ui) {
  roll_forward(s);
  const fs::path p = final_path(s, kSizes);
  if (!fs::exists(p))
    throw RestartError("No restart files in " + s.DIR.string() +
                       ": QMXVP.RES not found. Start a new run (a demonstration, or run type 7 "
                       "with your own QMXVD.DAT and QMXSD.DAT) to create them.");

  struct Panel {
    ui::Toolkit& ui;
    explicit Panel(ui::Toolkit& u) : ui(u) { ui.progress_open("Reading the Restart Files - Please Wait"); }
    ~Panel() { ui.progress_close(); }
  } panel(ui);
  s.DIAG.line("Reading restart files, QMXVP.RES, QMXVMn.RES, QMXVVn.RES,QMXVCn,RES");

  try {
    // The sizes file and the table of its set.
    ui.progress_text("Reading QMXVP.RES");
    const std::uint64_t plength = file_length(p);
    if (plength < kFraming)
      throw RestartError("QMXVP.RES: truncated: expected at least " + std::to_string(kFraming) +
                         " bytes, found " + std::to_string(plength));
    InFile f(p, "QMXVP.RES");
    const Header h = f.header(kSizes, std::nullopt, plength);
    Reader r(f);
    restart::visit_sizes(s, r);
    Table t{};
    for (int k = 2; k <= kFiles; ++k) {
      f.payload(&t[k], sizeof(Entry), "the table of the set");
      if (t[k].file != k)
        f.fail("damaged record: the table of the set lists file " + std::to_string(t[k].file) +
               " where file " + std::to_string(k) + " belongs");
    }
    f.trailer();
    const std::int32_t jcheck = r.check_value();
    s.DIAG.write("JCHECK from QMXVP", jcheck);
    if (jcheck != restart::kCheckInteger)
      throw RestartError("QMXVP.RES: check integer " + std::to_string(jcheck) + ", expected " +
                         std::to_string(restart::kCheckInteger));

    check_set(s, t, h.generation);

    std::int32_t vcheck = 0;
    for (int k = 2; k <= kFiles; ++k) {
      if (!t[k].present) continue;
      ui.progress_text(std::string("Reading ") + kFileNames[k]);
      const std::int32_t c = read_file(s, k, h.generation, &t[k]);
      if (k == restart::kVariables) vcheck = c;
      const bool last_molecule_file =
          k == (t[restart::kMolecules5].present ? restart::kMolecules5 : restart::kMolecules4);
      if (last_molecule_file) s.DIAG.write("NM at restart", s.NM);
    }
    allocate_omitted(s);

    s.DIAG.write(vcheck);
    if (vcheck != restart::kCheckInteger) {
      s.DIAG.write(s.NM, " Molecules, Check integer", vcheck);
      throw RestartError("QMXVV2.RES: check integer " + std::to_string(vcheck) + ", expected " +
                         std::to_string(restart::kCheckInteger));
    }
  } catch (const std::bad_alloc&) {
    s.DIAG.line("PROGRAM COULD NOT ALLOCATE RESTART VARIABLES 1");
    throw RestartError("The restart files in " + s.DIR.string() +
                       " need more memory than this machine can give. " + kRestartSetKept);
  } catch (const RestartError& e) {
    throw RestartError(std::string(e.what()) + ". " + kRestartSetKept);
  }
}

}  // namespace qmxv
