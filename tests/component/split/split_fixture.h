#pragma once

// Drawings and helpers for the split tests: the two drawings of the acceptance run, small
// special drawings, a CAD object attached to a fresh host, and file checks.

#include <cadhost/application.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "acceptance_drawings.h"
#include "tarvik/cad.h"
#include "tarvik/scripted_ui.h"

namespace splittest {

// The mask of the format "letters - letters - digits".
inline const QString kMask = QStringLiteral("@*-@*-#*");

using acceptance::writeB;
using acceptance::writePlan;
// A drawing without entities.
void writeEmpty(const std::string& path);
// One frame per entry of `texts` in a row (x = 500 i), each with a border and the MTEXT (kind
// 'M'), TEXT ('T') or ATTDEF ('A', the text is its tag) of that entry near its lower-right corner.
void writeNamedFrames(const std::string& path,
                      const std::vector<std::pair<char, std::string>>& texts);

// Block references for the preparation: two of the plain block "PLAIN" (four lines), one of
// "ATT" with an attribute, one of "TPL" (named like a template), one of a block that is not
// defined ("MISSING").
void writeReferences(const std::string& path);

// Entity counts by DXF type of a drawing's model space, read through the host.
std::map<std::string, int> countByType(cadhost::Application& app, const std::string& path);

QByteArray fileBytes(const QString& path);
// The files of a folder (names), sorted.
QStringList fileNames(const QString& folder);

// Runs python3-ezdxf's readfile and audit on each file; "" when all pass, else the report.
std::string ezdxfAudit(const QStringList& paths);

// Runs a Python script (with python3-ezdxf at hand) with `args` as sys.argv[1:]; "" when it
// succeeds, else its output.
std::string runPython(const QString& script, const QStringList& args);

// Python source of the function frames(msp, numbers, columns) that draws one A3 frame (420 x 297,
// 500 apart, `columns` a row, rows 400 apart downwards) per drawing number, each with a border, two
// lines, a circle and the number as a TEXT near its lower-right corner.
QString ezdxfFrames();

// A Ui that can ask for a stop after a number of event pumps, and watch the drawing meanwhile.
class StoppingUi : public tarvik::ScriptedUi {
 public:
  tarvik::CAD* cad = nullptr;
  int stopAfterPumps = -1;  // -1: never
  std::function<void()> onPump;
  void processEvents() override;

 private:
  int pumps_ = 0;
};

}  // namespace splittest
