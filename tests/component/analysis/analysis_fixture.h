#pragma once

// Sheet sets for the analysis tests, written by python3-ezdxf: frame blocks holding their border
// and title block, with the drawing number, name and scale in the title block's cells (or as
// attributes), and a template folder ("db.xml" and each frame block's cell file) to read them.

#include <cadhost/application.h>

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "tarvik/cad.h"
#include "tarvik/scripted_ui.h"

namespace antest {

// One sheet of a frame block "TK_<sheet>": border 0,0 - W,H in block units, title block of
// 180 x 40 in the lower-right corner with the cells "图号", "图名", "比例" (one row each) and
// "备注" (two rows) beside them.
struct Sheet {
  QString sheet;  // "A4" .. "A0"
  double W = 0, H = 0;
};
std::vector<Sheet> standardSheets();  // A4 portrait, A3, A2, A1, A0 (landscape)

// A frame block reference placed in a drawing, with the texts of its title block.
struct Frame {
  Sheet sheet;
  double x = 0, y = 0;  // insertion point
  double scale = 1;
  double degrees = 0;        // rotation
  bool baseAtRight = false;  // the block's base point is its lower-right corner
  bool attributes = false;   // number and name as attributes instead of texts in the cells
  bool asBlock = true;       // false: the same frame drawn as loose lines and texts
  QString number, name, scaleText, note1, note2;
};

// Python (ezdxf) that draws the frames into `msp`.
std::string framesPython(const std::vector<Frame>& frames);

// Runs Python with ezdxf and the frames' code and saves the drawing as `path`; "" on success.
std::string writeFrames(const std::string& path, const std::vector<Frame>& frames,
                        const std::string& extra = {});
std::string writeWithEzdxf(const std::string& path, const std::string& body);

// Writes "db.xml" (one title-block template per sheet, insertion offsets "0,0") and each
// template's cell file into `modPath`, then sets it as the object's template folder.
void makeTemplates(tarvik::CAD& cad, const QString& modPath, const std::vector<Sheet>& sheets);

// The keys of a section of an INI file in file order.
QStringList sectionKeys(const QString& iniPath, const QString& section);

class Host {
 public:
  Host();
  ~Host();
  std::shared_ptr<cadhost::Application> app;
  std::shared_ptr<tarvik::ScriptedUi> ui = std::make_shared<tarvik::ScriptedUi>();
  tarvik::CAD cad;
  QTemporaryDir dir;
  QString path(const QString& name) const { return dir.filePath(name); }
  // Splits the drawing `name` with analysis into the folder "Out" (made when missing); the
  // error the split raised, "" when none.
  QString splitWithAnalysis(const QString& name);
  std::string spath(const QString& name) const { return path(name).toStdString(); }
};

}  // namespace antest
