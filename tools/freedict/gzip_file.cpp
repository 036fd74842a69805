#include "tools/freedict/gzip_file.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "tools/freedict/freedict_error.h"

namespace vexilo::tools::freedict {

namespace {

constexpr size_t kOutputChunk = 256 * 1024;
// zlib counts in 32-bit units: the input is handed over in slices.
constexpr size_t kInputSlice = size_t{1} << 30;

// Owns a zlib stream set up to read gzip headers and trailers.
class TGzipInflater {
 public:
  explicit TGzipInflater(const std::string& fileName) {
    if (inflateInit2(&FStream, 16 + MAX_WBITS) != Z_OK) {
      throw EFreedictError(fileName + ": cannot start decompression");
    }
  }
  ~TGzipInflater() { inflateEnd(&FStream); }
  TGzipInflater(const TGzipInflater&) = delete;
  TGzipInflater& operator=(const TGzipInflater&) = delete;

  z_stream& Stream() { return FStream; }

 private:
  z_stream FStream{};
};

bool StartsWithGzipMagic(std::string_view bytes) {
  return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1f &&
         static_cast<unsigned char>(bytes[1]) == 0x8b;
}

}  // namespace

std::string InflateGzip(std::string_view compressed, const std::string& fileName) {
  if (!StartsWithGzipMagic(compressed)) throw EFreedictError(fileName + ": not a gzip (dictzip) file");

  TGzipInflater inflater(fileName);
  z_stream& stream = inflater.Stream();
  std::string output;
  size_t consumed = 0;  // input bytes handed to zlib before the current slice
  for (;;) {
    if (stream.avail_in == 0) {
      const size_t slice = std::min(kInputSlice, compressed.size() - consumed);
      // zlib does not write through next_in; its interface is not const.
      stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data() + consumed));
      stream.avail_in = static_cast<uInt>(slice);
      consumed += slice;
    }
    const size_t before = output.size();
    output.resize(before + kOutputChunk);
    stream.next_out = reinterpret_cast<Bytef*>(output.data() + before);
    stream.avail_out = static_cast<uInt>(kOutputChunk);
    const int result = inflate(&stream, Z_NO_FLUSH);
    output.resize(before + kOutputChunk - stream.avail_out);

    if (result == Z_STREAM_END) {
      const size_t position = consumed - stream.avail_in;
      if (position == compressed.size()) return output;
      // Another member follows, or the file has bytes after its end.
      if (!StartsWithGzipMagic(compressed.substr(position))) {
        throw EFreedictError(fileName + ": unexpected data after the end of the compressed data");
      }
      inflateReset(&stream);
      continue;
    }
    if (result != Z_OK && result != Z_BUF_ERROR) {
      const char* reason = stream.msg != nullptr ? stream.msg : "damaged compressed data";
      throw EFreedictError(fileName + ": " + reason);
    }
    // With all input given and room left for output, zlib wants more input.
    if (stream.avail_in == 0 && consumed == compressed.size() && stream.avail_out != 0) {
      throw EFreedictError(fileName + ": the compressed data ends early (truncated file)");
    }
  }
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EFreedictError(path + ": cannot open (" + std::strerror(errno) + ")");
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw EFreedictError(path + ": read error");
  return bytes;
}

std::string ReadGzipFile(const std::string& path) { return InflateGzip(ReadWholeFile(path), path); }

}  // namespace vexilo::tools::freedict
