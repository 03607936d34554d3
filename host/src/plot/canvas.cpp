// What every canvas can do from its primitives, and writing a plot file.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "cadhost/host_error.h"
#include "plot/canvas.h"

namespace cadhost::plot {

void Canvas::arc(P2 centre, double radius, double a0, double a1, const Pen& pen) {
  constexpr double kTolerance = 0.02;  // millimetres
  int n = 1;
  if (radius > kTolerance)
    n = static_cast<int>(std::ceil(std::fabs(a1 - a0) / (2 * std::acos(1 - kTolerance / radius))));
  n = std::clamp(n, 1, 1440);
  std::vector<P2> points;
  points.reserve(static_cast<std::size_t>(n) + 1);
  for (int i = 0; i <= n; ++i) {
    const double a = a0 + (a1 - a0) * i / n;
    points.push_back({centre.x + radius * std::cos(a), centre.y + radius * std::sin(a)});
  }
  polyline(points, false, pen);
}

void writePlotFile(const PlotFile& file, std::string_view bytes) {
  const auto fail = [&](int error) {
    throw HostError(HostError::Io,
                    "cannot write the plot file " + file.name + ": " + std::strerror(error));
  };
  const int fd = ::open(file.path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) fail(errno);
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : EIO;
      ::close(fd);
      fail(error);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  if (::close(fd) != 0) fail(errno);
}

}  // namespace cadhost::plot
