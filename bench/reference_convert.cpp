// The yardstick of convert_bench.sh: the least a conversion of one value per
// line into 4-byte reals must do on this machine. A plain single-threaded
// program that reads the text in 1 MiB pieces, parses each line's value with
// std::from_chars and writes the values to a new file with large writes.
//
//   reference_convert INPUT OUTPUT
//
// Prints the number of values converted; exit status 1 on a line that does
// not start with a number or on an I/O failure.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <vector>

namespace {

constexpr std::size_t kPiece = std::size_t{1} << 20;      // bytes read per call
constexpr std::size_t kOutValues = std::size_t{1} << 20;  // values per write (4 MiB)

int fail(const char* what, int error) {
  std::fprintf(stderr, "reference_convert: %s: %s\n", what, std::strerror(error));
  return 1;
}

bool write_all(int fd, const std::vector<float>& values) {
  const char* p = reinterpret_cast<const char*>(values.data());
  std::size_t left = values.size() * sizeof(float);
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: reference_convert INPUT OUTPUT\n");
    return 2;
  }
  const int in = ::open(argv[1], O_RDONLY | O_CLOEXEC);
  if (in < 0) return fail(argv[1], errno);
  const int out = ::open(argv[2], O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (out < 0) return fail(argv[2], errno);

  std::vector<char> buf(2 * kPiece);
  std::vector<float> values;
  values.reserve(kOutValues);
  std::size_t have = 0;  // unparsed bytes at the front of buf
  long long count = 0;
  bool at_eof = false;
  while (!at_eof || have > 0) {
    if (!at_eof) {
      ssize_t n;
      do {
        n = ::read(in, buf.data() + have, kPiece);
      } while (n < 0 && errno == EINTR);
      if (n < 0) return fail(argv[1], errno);
      if (n == 0) at_eof = true;
      have += static_cast<std::size_t>(n);
    }
    const char* p = buf.data();
    const char* end = p + have;
    // Whole lines only, unless the input has ended.
    const char* last_lf = static_cast<const char*>(::memrchr(p, '\n', have));
    const char* stop = at_eof ? end : (last_lf == nullptr ? p : last_lf + 1);
    while (p < stop) {
      const char* lf =
          static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(stop - p)));
      const char* line_end = lf == nullptr ? stop : lf;
      if (line_end != p) {
        float v = 0.0f;
        const auto [ptr, ec] = std::from_chars(p, line_end, v);
        if (ec != std::errc{}) {
          std::fprintf(stderr, "reference_convert: value %lld is not a number\n", count + 1);
          return 1;
        }
        values.push_back(v);
        ++count;
        if (values.size() == kOutValues) {
          if (!write_all(out, values)) return fail(argv[2], errno);
          values.clear();
        }
      }
      p = lf == nullptr ? stop : lf + 1;
    }
    have = static_cast<std::size_t>(end - stop);
    std::memmove(buf.data(), stop, have);
    if (!at_eof && have >= kPiece) {
      std::fprintf(stderr, "reference_convert: a line longer than %zu bytes\n", kPiece);
      return 1;
    }
  }
  if (!write_all(out, values)) return fail(argv[2], errno);
  if (::close(out) != 0) return fail(argv[2], errno);
  std::printf("%lld\n", count);
  return 0;
}
