// Drawings that real programs wrote over the years (Debian's librecad-data: templates, part
// libraries, hatch patterns from many CAD programs) all load, and each copy the host writes
// reads in python3-ezdxf with no more audit errors than its source and the same model space.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cadhost/host_error.h"
#include "dxf/dxf_io.h"
#include "dxf_test_support.h"

namespace {

namespace dxf = cadhost::dxf;
namespace fs = std::filesystem;

constexpr const char* kDataFolder = "/usr/share/librecad";

std::vector<std::string> drawingsUnder(const fs::path& folder) {
  std::vector<std::string> out;
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return out;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    std::string ext = it->path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".dxf") out.push_back(it->path().string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

// Reads each source as ezdxf does (its recovery mode where plain reading fails) and each copy
// plainly; prints one line for every copy that reads worse than its source, then "checked N".
const char* kCheckScript = R"(
import sys, ezdxf
from ezdxf import recover
from multiprocessing import Pool
def view(path, recovering):
    if recovering:
        doc, auditor = recover.readfile(path)
    else:
        doc = ezdxf.readfile(path)
        auditor = doc.audit()
    return len(auditor.errors), len(doc.modelspace())
def check(pair):
    src, copy = pair
    try:
        try:
            se, sn = view(src, False)
        except Exception:
            se, sn = view(src, True)
    except Exception:
        se, sn = None, None  # ezdxf cannot read the source: the copy must read all the same
    try:
        ce, cn = view(copy, False)
    except Exception as ex:
        return f'{src}: the copy does not read: {ex}'
    if se is not None and (ce > se or cn != sn):
        return f'{src}: audit errors {se} -> {ce}, model-space entities {sn} -> {cn}'
    return None
if __name__ == '__main__':
    pairs = [l.rstrip('\n').split('\t') for l in open(PAIRS, encoding='utf-8')]
    with Pool(4) as pool:
        for r in pool.imap_unordered(check, pairs, chunksize=8):
            if r:
                print(r)
    print('checked', len(pairs))
)";

TEST(DxfRealFiles, LibrecadDrawingsLoadAndWriteBackClean) {
  const std::vector<std::string> sources = drawingsUnder(kDataFolder);
  if (sources.empty())
    GTEST_SKIP() << "no drawings under " << kDataFolder
                 << " (the Debian package librecad-data is not installed)";
  dxftest::TempDir dir;
  std::string pairs;
  int refused = 0;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    const std::string copy = dir.path("copy" + std::to_string(i) + ".dxf");
    try {
      dxf::writeDxfFile(dxf::readDxfFile(sources[i]), copy);
    } catch (const cadhost::HostError& e) {
      ADD_FAILURE() << e.what();
      ++refused;
      continue;
    }
    pairs += sources[i] + "\t" + copy + "\n";
  }
  EXPECT_EQ(refused, 0);
  const std::string pairsPath = dir.path("pairs.txt");
  dxftest::writeBytes(pairsPath, pairs);
  int exitCode = 0;
  const std::string out =
      dxftest::runPython("PAIRS = '" + pairsPath + "'\n" + kCheckScript, exitCode);
  EXPECT_EQ(exitCode, 0) << out;
  const std::size_t checked = sources.size() - static_cast<std::size_t>(refused);
  EXPECT_EQ(out, "checked " + std::to_string(checked) + "\n");
}

}  // namespace
