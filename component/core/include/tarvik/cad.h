#pragma once

// CAD: the component's one public object. A caller creates it, connects it to the drawing host,
// sets its folders and settings, and calls its operations. The members are implemented in
// several source files by job (settings, host connection, stop handshake, templates, ...).

#include <cadhost/application.h>
#include <cadhost/document.h>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "tarvik/analysis_report.h"
#include "tarvik/cad_events.h"
#include "tarvik/catalog_msgs.h"
#include "tarvik/cell_records.h"
#include "tarvik/frame_records.h"
#include "tarvik/layer_states.h"
#include "tarvik/layout_placement.h"
#include "tarvik/plot_settings.h"
#include "tarvik/records.h"
#include "tarvik/ui.h"
#include "tarvik/xml_access.h"

namespace tarvik {

class RecognitionState;
class FrameReadCache;
struct LineType;

class CAD {
 public:
  // Does not touch the host, creates no folder and reads no template list. Takes currentUi()
  // and loads its notice window.
  CAD();
  // Releases the host references without closing or quitting the host.
  ~CAD();
  CAD(const CAD&) = delete;
  CAD& operator=(const CAD&) = delete;

  // ---- Public fields -------------------------------------------------------------------------
  int State = 1;                                  // mode word of the table recognition
  std::shared_ptr<cadhost::Application> acadApp;  // the host, or none
  std::optional<cadhost::Document> AcadDoc;       // the drawing operations work on, or none
  QString dwgIDMask;  // drawing-number mask in the host's wildcard syntax

  // ---- Settings ------------------------------------------------------------------------------
  QString WorkPath() const { return WorkPath_; }
  void setWorkPath(const QString& value) { WorkPath_ = value; }
  QString ModPath() const { return ModPath_; }
  // Strips one trailing "/", creates the "mod" and "moddwg" folders when missing (one level)
  // and reads the template list. A folder that cannot be created raises sheetcut::Error, with
  // the new value already stored and the list not read.
  void setModPath(const QString& value);
  QString ChildFileSavePath() const { return ChildFileSavePath_; }
  // Stored with a trailing "/"; "" stays "".
  void setChildFileSavePath(const QString& value);
  int SplitSpeed() const { return SplitSpeed_; }
  void setSplitSpeed(int value);  // below 1 is stored as 4
  bool AnSubFolder() const { return AnSubFolder_; }
  void setAnSubFolder(bool value) { AnSubFolder_ = value; }
  QString AcadAppVersion() const { return AcadAppVersion_; }
  void setAcadAppVersion(const QString& value) { AcadAppVersion_ = value; }
  bool IsEventStop() const { return IsEventStop_; }
  void setIsEventStop(bool value) { IsEventStop_ = value; }
  bool uConfirmStop() const { return uConfirmStop_; }
  void setuConfirmStop(bool value) { uConfirmStop_ = value; }

  // Plot and print settings: stored and returned, read by no operation.
  QString OutPltPath() const { return OutPltPath_; }
  void setOutPltPath(const QString& value);  // "" stays "", else with a trailing "/"
  QString OutPltDrv() const { return OutPltDrv_; }
  void setOutPltDrv(const QString& value) { OutPltDrv_ = value; }
  QString OutPltSty() const { return OutPltSty_; }
  void setOutPltSty(const QString& value) { OutPltSty_ = value; }
  QString OutDwfPath() const { return OutDwfPath_; }
  void setOutDwfPath(const QString& value) { OutDwfPath_ = value; }
  QString OutDwfDrv() const { return OutDwfDrv_; }
  void setOutDwfDrv(const QString& value) { OutDwfDrv_ = value; }
  QString OutDwfSty() const { return OutDwfSty_; }
  void setOutDwfSty(const QString& value) { OutDwfSty_ = value; }
  void setPrnDrv(const QString& value) { PrnDrv_ = value; }
  void setPrnSty(const QString& value) { PrnSty_ = value; }
  void setPrnPaper(const QString& value) { PrnPaper_ = value; }

  // ---- Events and user interface -------------------------------------------------------------
  void addEventHandler(CADEvents* handler) { events_.add(handler); }
  void removeEventHandler(CADEvents* handler) { events_.remove(handler); }
  // Replaces the user interface of this object (its notice window moves with it).
  void setUi(std::shared_ptr<Ui> ui);
  Ui& ui() const { return *ui_; }

  // ---- Host connection -----------------------------------------------------------------------
  // True when acadApp holds a live host at the end: a live one is kept; else attach to the
  // running host (IsGetCurAutoCAD) and/or start a new one behind the notice window.
  bool AcadAppIsRun(bool IsGetCurAutoCAD = false, bool IsCrtNewApp = false);
  // Sets AcadDoc to the host's active drawing, adding a new one when none is open and
  // IsCrtNewDoc allows it.
  bool AcadDocIsActive(bool IsCrtNewDoc = true);
  // Ends the connection: releases the host when the last AcadAppIsRun asked to attach, else
  // closes its drawings without saving and quits it. AcadDoc is left as it is.
  void CloseAutoCAD();

  // ---- Stop handshake and small services -----------------------------------------------------
  // True when the running operation must stop; asks the user once per stop request.
  bool ConfirmStop();
  // Asks the folder batches to stop before their next drawing.
  void Quit() { QuitFlag = true; }
  // Accepts its arguments and does nothing.
  void NewSplitDwg(const QString& DwgPath = {}, bool IsCrtPlt = false, bool IsFX = true);
  // The folder exists (an empty or blank path counts as existing) and, with EWrite, a file can
  // be created in it. Never raises; existing files are left alone.
  bool ChkDir(const QString& DirPath, bool EWrite);
  // The text after the last "/" of FilePath, trimmed of spaces.
  QString GetFileName(const QString& FilePath) const;

  // ---- Templates -----------------------------------------------------------------------------
  // Reads the template list from "db.xml" in ModPath. Never fails: a file that is missing, is
  // not a regular file or cannot be parsed leaves the list empty, and ModListError() says why.
  void ReadMods();
  int ModCount() const { return ModNum; }
  // Why the template list last read could not be read, naming the file; "" when it was read.
  const QString& ModListError() const { return ModListError_; }
  // A copy of entry i (1..ModCount(); 0 is an empty entry). sheetcut::Error outside the list.
  BlkTYpe Mods(int i) const;
  // Appends a template; copies DwgPath into "moddwg" unless a file of that name is there.
  // Returns the new count. A failing copy raises sheetcut::Error after the entry was added.
  int NewMod(const QString& name, const QString& DwgPath, int ModType);
  // Rewrites entry i and copies DwgPath like NewMod; every failing step is skipped.
  void SetMod(int i, const QString& name, const QString& DwgPath, int ModType);
  // Removes entry IDX, moving the later ones down. sheetcut::Error when IDX is not an entry.
  void DelMod(int IDX);

  // ---- Text styles ---------------------------------------------------------------------------
  // Gives every shape-font text style of AcadDoc a Chinese big font where its own cannot be
  // kept, then regenerates. Host errors on a style are ignored; no document raises.
  void SetBigFont();

  // ---- Split of a drawing ---------------------------------------------------------------------
  // Opens DwgPath in the host (the active document when empty), finds its frames strip by strip
  // from the top, and writes each frame to ChildFileSavePath as a drawing of its own, named
  // after the drawing number (dwgIDMask) nearest to one of its corners. The source is taken
  // back by undo and, when opened here, closed without saving. No file is ever replaced.
  // Raises sheetcut::Error when there is no host or output folder, when the drawing cannot be
  // opened, when the drawing cannot be prepared, and, after the other frames were written and
  // the drawing restored, for frames that could not be written. With IsOnlySplit false (or the
  // plot scale "auto") each frame is analysed (FXDWG) and written under a new GUID with its
  // report section; frames whose title block is not recognised, or whose template's cell file
  // cannot be read, get no child and are raised like the frames that could not be written.
  void SplitDwg(const QString& DwgPath = {}, bool IsOnlySplit = false);
  // Take their arguments and do nothing.
  void SplitDwg0(const QString& DwgPath = {}, bool IsCheck = false);
  void SplitDwgBlk(const QString& DwgPath = {});
  void SplitDwgLay(const QString& DwgPath = {});
  // The mean height of the first 11 non-empty texts of AcadDoc, else its "textsize".
  double GetTextSize();
  // Adds the box R to the frame list (IDX -1), uniting it with the frames it touches; with
  // IDX >= 1, R must be that slot of the list and is merged again (see addFrameRect).
  void AddRect(RectType& R, long IDX);
  // Creates the folder chain of a drawing number under DirName and returns its path. Parts are
  // made fit for file names; "." and ".." are refused. Raises sheetcut::Error for a number
  // without the parts its kind needs or a folder that cannot be created.
  QString GetFileDir(const QString& DirName, const QString& DrawNo) const;
  // 0 all digits (or ""), 1 other single-byte characters, 2 a double-byte character.
  int StrType(const QString& s) const;
  // The plain text of a multi-line text's contents (format codes and braces removed).
  QString GetMTextStr(const QString& MTextString) const;

  // ---- Drawing preparation -------------------------------------------------------------------
  // Binds AcadDoc's external references not named like a template (errors raise), then
  // explodes the plain block references not named like a template (errors ignored).
  void DwgInit();
  // Puts back the layer states of a table made when the layers were unlocked; stops at the
  // first empty name.
  void loadLayer(const LayerStateTable& BoxLayers);
  // The paper size of MinPoint..MaxPoint (default: the extents of AcadDoc) at XYScale: "A0"
  // .. "A4", "" for scale 0.
  QString GetDWGSize(std::optional<Point3d> MinPoint = {}, std::optional<Point3d> MaxPoint = {},
                     double XYScale = 0);

  // ---- Plot settings -------------------------------------------------------------------------
  // Copies the nine plot settings (kPlotCfgKeys) from oColl, the output folder with a trailing
  // "/"; returns "". A missing key empties the settings, shows which key and returns the list
  // of required keys.
  QString SetPlotCfg(const PlotSettings& oColl);
  void ClearPlotCfg();

  // ---- Template cells, block layouts and outlines --------------------------------------------
  // The working cell list: cells 0..CellCount() of the template being defined or read.
  // Loads the cell file of template ModName ("<ModPath>/mod/<ModName>.dat", the name matched
  // without regard to case) into the working list and returns a copy; a missing file gives an
  // empty list. A file that cannot be read or parsed raises sheetcut::Error naming the file
  // and the record, with the list unchanged.
  std::vector<CellType> ReadMod(const QString& ModName);
  // Writes the working list's numbered cells (not label cells, not names holding "(已删") to
  // the template's cell file, replacing it whole only once the new file is complete.
  void SaveMod(const QString& ModName);
  // Appends a cell with the given fields (the others empty or 0); returns its index.
  int newCell(const std::optional<QString>& name = {}, std::optional<int> T = {},
              const std::optional<QString>& s = {}, const std::optional<Variant>& P1 = {},
              const std::optional<Variant>& P2 = {});
  // Sets name, T and s of cell i, and P1, P2 when given; returns a copy of the cell.
  // sheetcut::Error (subscript out of range) for an index outside the list.
  CellType SetCell(int i, const QString& name = {}, int T = 0, const QString& s = {},
                   const std::optional<Variant>& P1 = {}, const std::optional<Variant>& P2 = {});
  CellType SetCell_NEW(int i, const CellType& newCell);
  CellType Cell(int i) const;
  // The index of the last cell (-1 for an empty list).
  long CellCount() const { return CellNum - 1; }
  // Orders and numbers the working list (see cell_sort.h); with SaveFlag the template's cell
  // file is read first and written afterwards.
  void ModSort(const QString& ModName, bool SaveFlag = false);
  // Reads the template list again and sorts the working list once per template.
  void ModsSort();
  // Closed rectangular outlines in model space on the current layer. DrawRect ignores every
  // failure; DrawCell raises sheetcut::Error on a host failure.
  void DrawRect(const Variant& P1, const Variant& P2);
  void DrawCell(const CellType& CE);
  // Erases every entity on the layer named exactly layerName; failures are ignored.
  void DelEntLa(const QString& layerName);

  // ---- Table and text recognition ------------------------------------------------------------
  // The words of a text entity (element 0 empty, words from 1) with their X extents measured
  // in drawing units, the text's height and its lower Y. Host failures raise sheetcut::Error.
  std::vector<TextType> TextSplit(const cadhost::Entity& textobj);
  // Joins collinear ruling lines of the line lists that continue one another.
  void JoinLine();
  // Analyses the active drawing as one table in header mode (State becomes 0 and stays so):
  // the cells with their label and value roles stay in the working cell list, and the block
  // layout "<drawing name less its last four characters>.bln" is written. Errors raise
  // sheetcut::Error; a drawing name shorter than four characters is refused.
  void AN_block();

  // ---- Drawing analysis ----------------------------------------------------------------------
  // The drawing number of the title block in the window P1-P2: the tag of an attribute
  // definition whose prompt holds "图号" or "图纸编号", or the value of a block reference's
  // attribute whose tag or prompt does; "" when none. Never raises.
  QString GetTuHao(const Point3d& P1, const Point3d& P2);
  // Copies the title-block names, attribute tags and their descriptions (index-parallel) that
  // the title-block attribute report reads.
  void SetBlkArr(const QStringList& eBlkName, const QStringList& eBlkAttTag,
                 const QStringList& eBlkAttDesc);
  // Finds the label of a label layout record in the active drawing (the window, else the whole
  // drawing): the cells of the tables around each matching text go to the found-label list,
  // and the result lists, comma-separated, the indices of those carrying the label's text, an
  // index + 10000 first for a cell of the template's shape. Host failures are passed over.
  QString GetTextCell(const CellType& Cell, const std::optional<Point3d>& MinPoint = {},
                      const std::optional<Point3d>& MaxPoint = {});
  // Analyses the frame blocks (block references named like a template) of the drawing
  // FileName, or of the window MinPoint-MaxPoint of the active drawing (FileName then only
  // names the report section), reading their title blocks into the analysis report
  // ("AnRpt.txt" in WorkPath) and the sheet class under "图幅". True when a frame was read.
  // Raises AnDwgFileBigen and AnDwgFileEnd; sheetcut::Error when no host is attached. A frame
  // whose template matched but whose cell file is missing or damaged is not read; once the
  // rest is done (and the end announced) that raises CellFileError naming the file and why.
  // A report that cannot be written makes the result false and is shown as a message naming
  // the report and why.
  bool FXDWG(const QString& FileName = {}, std::optional<Point3d> MinPoint = {},
             std::optional<Point3d> MaxPoint = {}, const QString& strGuid = {});
  // Collects the texts of the window (or drawing) and the attributes of every frame block of
  // the drawing, then reads every frame block and tries every label layout into the report
  // (section: the drawing's file name). Raises AnDwgFileBigen and AnDwgFileEnd; cell files
  // that cannot be read raise at the end, as in FXDWG.
  void NewFXDWG(const QString& FileName = {}, std::optional<Point3d> MinPoint = {},
                std::optional<Point3d> MaxPoint = {}, bool IsCrtPlt = false);
  // Takes its arguments and returns false.
  bool ZN_FXDWG(const QString& FileName = {}, std::optional<Point3d> MinPoint = {},
                std::optional<Point3d> MaxPoint = {});
  // Analyse (FXDWG) or split with analysis (SplitDwg) every drawing of a folder, in name order,
  // then, with AnSubFolder, of each sub-folder (symbolic links to folders are not followed).
  // AnDwgDirBigen / AnDwgDirEnd around each folder; Quit stops at the next drawing. A folder
  // that cannot be read and errors of the per-drawing step raise sheetcut::Error, and so does
  // an analysis report that FXdwgDir cannot write. A split drawing with frames that were not
  // written (not recognised, or their report not written, say) does not end the batch: after
  // the whole batch one sheetcut::Error lists every such drawing and frame.
  void FXdwgDir(const QString& DwgFolder);
  void SplitdwgDir(const QString& DwgFolder);

  // ---- Frame definitions and drawing a frame -------------------------------------------------
  // Remembers xmlFilePath for ComputeFrameSize and lists its subclasses, one text each:
  // "second attribute=class name：first attribute". Empty when the file cannot be read; never
  // raises.
  void GetFrameType(const QString& xmlFilePath, QStringList& rtnCollection);
  // The frame definitions of a frames element, ID = position. sheetcut::Error on bad content.
  std::vector<FrameType> GetFrames(const XmlNode& oXFNode) const;
  // The definition of subclass frmType (of the file GetFrameType named) that the border
  // MinPoint..MaxPoint (any two opposite corners) fits at XYScale, in drawing units and placed
  // around the border; a non-standard frame (ID -1) when none fits. With ExtNum, ID and
  // DirectFlag all given the points become zeros. A scale of 0 or less shows "请输入图纸比例"
  // and returns zeros. Raises sheetcut::Error for an ExtNum other than -1 outside 0..32767, a
  // missing file, subclass or frames element and bad definitions.
  FrameType ComputeFrameSize(const QString& frmType, std::vector<double>& MinPoint,
                             std::vector<double>& MaxPoint, float XYScale, int DirectFlag,
                             bool LabFlag, int ExtNum = -1, int ID = -1);
  // Draws dwgFrame into AcadDoc's model space: the outline and inner border (one anonymous
  // block reference) and the title-block drawings of "moddwg" at their anchors; at InsPoint
  // with AutoFlag, else where the user picks (a cancelled pick draws nothing). Title blocks
  // flagged 1 are filled from BlkMsgs when it holds values. The settings are restored and the
  // temporary blocks deleted also when an error is raised.
  void DrawFrame(FrameType& dwgFrame, const TitleBlockMsgs& BlkMsgs, bool AutoFlag);
  // The drawing settings of AcadDoc ("" for the world coordinate system); never raises.
  AcadEnv GetACADENV(cadhost::Document AcadDoc) const;
  // Restores them in order, the coordinate system first; host refusals raise sheetcut::Error.
  void SetACADENV(cadhost::Document AcadDoc, const AcadEnv& Env);
  // Gives every segment of a polyline the width lineWidth.
  void SetLineWidth(cadhost::Entity returnObj, double lineWidth);
  // The filling of an inserted title block from the caller's values, called by DrawFrame; the
  // template writing installs it. Without one, title blocks are left as inserted.
  using TitleBlockFiller = std::function<void(cadhost::Entity&, const TitleBlockMsgs&)>;
  void setTitleBlockFiller(TitleBlockFiller filler);

  // ---- Writing into templates ----------------------------------------------------------------
  // Makes the text style StyName (added when missing) use the typeface shxFileName and the
  // width factor HVScale, and makes it current. Host errors are ignored step by step.
  void SetFont(const QString& shxFileName = QStringLiteral("仿宋_GB2312"), double HVScale = 0.7,
               const QString& StyName = QStringLiteral("CHINESE"));
  // Makes the layer "QXMOD" (added when missing, colour 6) and the text style "QXMOD" (typeface
  // "宋体") current. Host errors are ignored step by step.
  void SetLaFnt();
  // Writes Cell.s as single-line text into row RowIdx of the cell (template coordinates times
  // XYScale, in the active UCS): a text too wide for the cell is squeezed into a whole number
  // of lines when at most 20 % longer, else wrapped into further rows; every line but a short
  // last one is fitted between the margins, the last one aligned by strDuiQi ("L", "C", "R";
  // an empty letter becomes "R" for a cell named "工程", else "C", and is stored back).
  // Returns the number of lines; an empty text writes nothing and returns 0; a cell no wider
  // than its margins gets one line. Host failures raise sheetcut::Error.
  int Wri_Cell_Text(const CellType& Cell, double XYScale, QString& strDuiQi, int RowIdx = 1);
  int Wri_Cell_Text(const CellType& Cell, double XYScale);
  int Wri_Cell_Text_BLK(const CellType& Cell, double XYScale, QString& strDuiQi);
  int Wri_Cell_Text_BLK(const CellType& Cell, double XYScale);
  // Writes Cell.s as one multi-line text in the cell's middle row, attached by strDuiQi (chosen
  // as above when empty); returns it. Host failures raise sheetcut::Error.
  cadhost::Entity WirCell(const CellType& Cell, double XYScale, QString& strDuiQi);
  cadhost::Entity WirCell(const CellType& Cell, double XYScale);
  cadhost::Entity Wri_Cell_MText(const CellType& Cell, double XYScale, QString& strDuiQi);
  cadhost::Entity Wri_Cell_MText(const CellType& Cell, double XYScale);
  // Fills the inserted title block BlkRef: its template (by block name) is laid over it through
  // the UCS "QZUCS", which stays active, and every cell with a non-blank value in Msgs (keyed
  // by cell name) gets it in the style "CHINESE". sheetcut::Error, before anything is written,
  // for a block without template or base point, for a template whose cell file is missing or
  // damaged (CellFileError) and for host failures; a cell that cannot be written is skipped.
  void WriBlock(cadhost::Entity& BlkRef, const CatalogMsgs& Msgs);
  // Writes a catalogue into the active drawing of acadApp, page after page 250 units apart
  // from (0, 279): the first page from the template FirBlkName, the others from SecBlkName,
  // their page-level cells from Msgs, the rows R001.. under the header R000 into the column
  // cells. A row that does not fit below the page's last row starts the next page (a row
  // longer than a whole page stays where it starts). Raises sheetcut::Error when there is no
  // host or drawing, and CellFileError when a page's cell file is missing or damaged (the
  // pages before it stay, with their page counts).
  void WriCatalog(const QString& FirBlkName, const QString& SecBlkName, const CatalogMsgs& Msgs);
  // Single-line text in the box P1-P2 (drawing coordinates) placed by FS ("BL", "BC", "BR",
  // "ML", "MC", "MR", "F"; any case; other texts leave it left at the lower margin). Host
  // failures raise sheetcut::Error.
  void Add2PText(const Point3d& P1, const Point3d& P2, const QString& txtStr, double XYScale = 1.0,
                 const QString& FS = QStringLiteral("MC"));
  // Multi-line text in the box P1-P2, attached by strDuiQi ("L", "C", "R"), in the active UCS.
  void Add2PMtext(const Point3d& P1, const Point3d& P2, const QString& txtStr, double XYScale = 1.0,
                  const QString& strDuiQi = QStringLiteral("C"));
  // Opens the drawing FileName read-only beside the caller's drawings, labels every template
  // cell it finds, by template block references and by block layouts among its texts, with
  // "[cell name]", and closes it without saving; AcadDoc is given back. AnDwgFileBigen, then
  // AnDwgFileEnd with the drawing's report name (see report_names.h; an existing file of that
  // name is deleted). A drawing that cannot be opened, or Quit, ends the call without the end
  // event. Raises sheetcut::Error when there is no host, and, after the end event,
  // CellFileError for templates found whose cell files are missing or damaged.
  void WriteDwg(const QString& FileName);
  // Analyses (FXDWG) every drawing of the folder in name order, between AnDwgDirBigen and
  // AnDwgDirEnd (with the folder's report name, "" when no drawing was met), then with
  // AnSubFolder the sub-folders through FXdwgDir. Quit stops at the next drawing without the
  // end event. A folder that cannot be read raises sheetcut::Error before any event.
  void WriteDwgDir(const QString& DwgFolder);

  // ---- Plotting ------------------------------------------------------------------------------
  // Plots the window Pmin..Pmax (world coordinates) of AcadDoc by the plot settings, to the
  // device (the print queue of the plotter configuration, else the default queue) when
  // "输出路径" is empty or only a separator, else to the file "输出路径" + name + "." +
  // "输出类别"; without a window the drawing's extents. The PDF configuration with the paper
  // "auto" plots on a page cut to the window; an "auto" paper of another configuration is its
  // smallest sheet that leaves 30 mm to spare; either takes the window at its scale in the
  // middle. Never raises: failures show the component's messages. With the PDF configuration
  // a name with a folder is the drawing file to plot: it is opened read-only beside the
  // caller's drawings, plotted and closed again (AcadDoc is given back), and when it cannot be
  // opened a message names it and nothing is plotted; a bare name plots the current drawing,
  // which stays open.
  void DwgPlotCmd(QString strFileName);
  void DwgPlotCmd(QString strFileName, Point3d& Pmin, Point3d& Pmax);
  // Plots the window MinPoint..MaxPoint of the active drawing as a sheet of its own named by a
  // new GUID, the work name. A frame the analysis (FXDWG) recognises there is reported by it;
  // otherwise the drawing-number dialog asks for number, name and scale, which go into the
  // analysis report (section: ChildFileSavePath + work name + the drawing extension, in lower
  // case) with the sheet size, and the scale becomes the plot scale. The plot is named by the
  // work name when "路径类型" is "WORK" (the window's entities are then also written out as
  // that drawing), else by the drawing's file name. Everything changed in the drawing is
  // undone at the end; the files stay. Returns the drawing's path when a frame was recognised,
  // the work name after the dialog, "" when it was cancelled. Never raises: without a folder
  // for split drawings (ChildFileSavePath empty), without a drawing or with a window beyond
  // numbers, a message says so and nothing is plotted or written ("").
  QString WindowsPlot(const Point3d& MinPoint, const Point3d& MaxPoint);
  // Take their arguments and do nothing.
  void CrtPltFile(QString& FileName, double& DwgScale, std::optional<Point3d> Pmin = {},
                  std::optional<Point3d> Pmax = {});
  void LocalPrint(const QString& FileName = {}, std::optional<Point3d> Pmin = {},
                  std::optional<Point3d> Pmax = {});
  // Opens FileName read-only beside the caller's drawings and plots its extents (20 units
  // more to the left and below, 10 to the right and above) to OutputPath + the file's name in
  // lower case with its extension replaced by ".eps"; closes only it again and gives AcadDoc
  // back. Skips host failures; never writes onto the drawing itself.
  void ConvertEPS(const QString& FileName, QString OutputPath, const QString& paperName,
                  const QString& PrintDriver = QStringLiteral("CorvantisPDF Plus.pc3"),
                  const QString& sty = QStringLiteral("acad.ctb"));
  // Converts the EPS file to outpdfPath + "/" + its name with the extension replaced by ".pdf",
  // with the permissions asked for (always encrypted), an open password when one is given and
  // the mark when asked. Returns "" on success, else the failure's description.
  QString Eps2Pdf(const QString& epsFile, const QString& outpdfPath, bool IsPrint = true,
                  bool IsCopy = false, bool IsEdit = false, const QString& OpenPwd = {},
                  bool IsQXMark = false);
  // Takes its arguments and does nothing.
  void CrtPdfFile(const QString& FileName, const QString& OutputPath, const QString& PaperSize,
                  const QString& PrintDriver = QStringLiteral("CorvantisEPS Plus.pc3"));

  // ---- Numeric helpers -----------------------------------------------------------------------
  // The larger / smaller of two values; the second one on a tie.
  double Max(double x, double Y) const { return x > Y ? x : Y; }
  double Min(double x, double Y) const { return x < Y ? x : Y; }
  // Distance in the X-Y plane; z is ignored.
  double Dist(const Point3d& P1, const Point3d& P2) const;

 private:
  bool GetCurAcadApp();
  bool CrtNewAcadApp();
  // A new GUID as 32 upper-case hex digits, "" when none can be made.
  QString NewGuidStr() const;

  // ---- Split, naming and preparation helpers ----
  friend class SplitRun;
  // SplitDwg(DwgPath, false), but the frames that could not be written come back as their
  // description ("" when every frame was written) instead of raising.
  QString splitNotingFrames(const QString& DwgPath);
  bool TolTest(double p, double q) const;
  bool RectOverlap(RectType& A, RectType& B) const;
  // The drawing number nearest to a corner of the window, made fit for a file name: "" when
  // none matches dwgIDMask, "NULL" when the chosen text cannot be read. Works on AcadDoc.
  QString GetCornerText(const QString& file, const Point3d& MinPoint, const Point3d& MaxPoint);
  void ValidFileName(QString& s, bool IsPath) const;
  // Makes the locked layers (in paper space also the frozen ones) usable, recording them.
  void UnlockAllLayers(LayerStateTable& BoxLayers);
  // Replaces the value of an existing plot setting; a missing key is left out.
  void SetPlotItem(const QString& key, const QString& value);

  // ---- Template cells, block layouts and outlines: private members and state ----
  friend class TemplatesTestAccess;  // the template tests reach the private members below
  // Block layout "<ModPath>/mod/<name>.bln": the five corner texts, then cells. Saves replace
  // the file whole only once the new one is complete. SaveBlockLayout writes the label cells
  // of the working list that hold a text; SaveBlockLayoutEx writes every cell given.
  void SaveBlockLayout(const QString& name);
  void SaveBlockLayoutEx(const QString& name, const std::vector<CellType>& cells);
  // The layout's cells; CornerTexts gets its five texts. A missing (or empty) file is an empty
  // layout and is not created. sheetcut::Error naming file and record for a damaged file, with
  // CornerTexts unchanged.
  std::vector<CellType> ReadBlockLayout(const QString& name);
  // Outlines (x1, y1)-(x2, y2) and appends a cell of that name with T = 1 to the working list;
  // returns an empty record.
  CellType DrawCellRect(const QString& name, const Variant& x1, const Variant& y1,
                        const Variant& x2, const Variant& y2);
  // Adds (or redefines) the UCS `name` at origin with its X axis at `angle` and makes it
  // current. Host failures raise sheetcut::Error.
  void SetFrameUCS(const Point3d& origin, double angle, const QString& name);
  // A copy of the first template whose name equals `name` without regard to case, else an
  // empty record.
  BlkTYpe FindMod(const QString& name) const;
  // Rebuilds the cell texts of every template's block layout from its cell file; called after
  // every SaveMod.
  void MakeCellXml();
  // Path of a file of the template folder's "mod" folder (found without regard to case).
  QString modFilePath(const QString& baseName, const QString& extension) const;
  // ReadMod for a template whose cells are needed (one that matched a frame, a block or a
  // page): a missing cell file raises CellFileError naming it, as a damaged one does.
  std::vector<CellType> readTemplateCells(const QString& name);

  std::vector<CellType> Cells;        // working cell list; 0..CellNum-1 in use
  long CellNum = 0;                   // cells in use; Cells holds at least this many
  std::vector<TextType> CornerTexts;  // reference texts of a block layout, slots 0..4

  // ---- Table and text recognition: private members and state ----
  friend class TableScan;
  friend class TextCollection;
  friend class CellXmlRebuild;         // the block layouts' key elements (MakeCellXml)
  friend class RecognitionTestAccess;  // the recognition tests reach the members below
  // The line lists and other working state of the recognition, made on first use.
  RecognitionState& recognition();
  // Files a ruling-line piece into the line lists (see line_lists.h); snaps p and q in place.
  void AddGridLine(Point3d& p, Point3d& q);
  // Rebuilds the table's cells from the line lists into the working cell list.
  void BuildTableGrid();
  // Appends the cell bounded by the given lines (-1: side without a line) unless it would hold
  // a cell already listed, and fills its text.
  void GetTblRows(long top, long left, long bottom, long right);
  // Fills cell `index` of the working list from the collected words whose centres lie in it;
  // returns the cell text. In header mode a cell whose words lie in one half is split.
  QString TextsToXml(long index);
  // Names and appends a cell for a lone horizontal line from the words on and beside it.
  CellType AnCellTexts(const LineType& line);
  // The table inside the window p-q (the whole drawing when p is missing) of the active
  // drawing, in the coordinates of the named UCS when one is current. Host failures are
  // passed over.
  std::vector<CellType> AnWinTable(const std::optional<Point3d>& p = {},
                                   const std::optional<Point3d>& q = {});
  // The same scan with one selection of every kind; a missing active drawing raises.
  std::vector<CellType> AnBlkTable(const std::optional<Point3d>& p = {},
                                   const std::optional<Point3d>& q = {});
  // Gives the empty cells that belong to each label cell the label's name and a record.
  void AnHeaderXml();
  // Text collection into Texts / CornerTexts (see text_collection.h).
  void GetDwgTexts();
  void GetBlkAttTexts(const cadhost::Entity& blockRef);
  void FindCornerTexts();
  QString JoinTextRecs(const CellType& cell);
  double NearestLineEnd(const TextType& word, int side, long& lineIndex);
  // The words inside the region L-R of the current (named) UCS, in reading order, joined.
  QString GetFrameTexts(const Point3d& L, const Point3d& R);
  // The words of GetFrameTexts, unsorted, with their positions in the current UCS.
  std::vector<TextType> GetFrameWords(const Point3d& L, const Point3d& R);
  // The reading-order exchange sort of word records.
  void SortArr(std::vector<TextType>& arr) const;

  std::shared_ptr<RecognitionState> recognition_;

  // ---- Drawing analysis: private members and state ----
  friend class AnalysisTestAccess;  // the analysis tests reach the members below
  friend class FrameReport;
  // Writes the running number of the split's last analysed frame into the report section; it
  // reaches the file with the next frame's keys or later, at the latest by FlushReport.
  void WriteSplitCount(const QString& section, int n);
  // Writes every report key still waiting (the split calls it when it ends, stopped or not).
  // Returns "" when they were written, else why not, naming the report.
  QString FlushReport() { return Report_.sync(); }
  // Writes the analysis's report keys before its end is announced. A report that cannot be
  // written is said through the caller's sink when one is set (the split and the folder batch
  // list it with their other failures), else shown as a message; false then.
  bool writeAnalysisReport();
  // Writes the title-block attributes of the first title block of the drawing `path` (opened
  // beside the user's drawings and closed again) into the report.
  void ReadTitleBlkAtt(const QString& path);
  // Reads the cells of template idx for the frame at (X0, Y0) with the scales and rotation (or
  // the given cells, in the frame's own coordinates) and writes them into the report section.
  void WriFrameRpt(int idx, double X0, double Y0, double XScale, double YScale, double Angle,
                   const std::vector<CellType>& Cells, const QString& GuidStr);
  void WriFrameRpt0(int idx, double X0, double Y0, double XScale, double YScale, double Angle,
                    const std::vector<CellType>& Cells);
  // Reads the frame in the window by the label layout of template idx; true when it matched.
  bool ReadFrameByLab(int idx, const std::optional<Point3d>& MinPoint,
                      const std::optional<Point3d>& MaxPoint, const QString& GuidStr);
  // Collects the texts of the window (the whole drawing without one) into Texts.
  void GetWinTexts(const std::optional<Point3d>& MinPoint = {},
                   const std::optional<Point3d>& MaxPoint = {});
  // Appends a message to the error log under the current time (made unique within the second).
  void WriteErrLog(const QString& message);
  // One folder of a batch and, with AnSubFolder, its sub-folders. A split drawing whose frames
  // were not all written adds its description to `unwritten` and the batch goes on.
  void folderBatch(const QString& DwgFolder, bool split, QStringList& unwritten);

  QStringList TitleBlkNames, TitleBlkAttTags, TitleBlkAttDescs;
  std::vector<LabCellType> LabCells;      // labels found by GetTextCell
  ReportBuffer Report_;                   // report keys of the analysis under way
  int ReportHolds_ = 0;                   // analyses under way; the last one out writes the keys
  QString* ReportFailureSink_ = nullptr;  // where writeAnalysisReport says a failure, if set
  // Where FXDWG leaves the drawing and report paths of its end announcement, if set: the split
  // announces a frame's end itself once the frame's child and report section are written.
  std::optional<std::pair<QString, QString>>* HeldFileEnd_ = nullptr;
  FrameReadCache* FrameReads_ = nullptr;  // the cells read for the frame block under way
  QString ErrLogPath;                     // "ErrLog.txt" beside the component

  // ---- Frame definitions and drawing a frame: private members and state ----
  FrameType CalcFramePoints(const FrameType& frm, const std::vector<double>& MinPoint,
                            const std::vector<double>& MaxPoint, float XYScale, bool LabFlag) const;
  TitleBlockFiller titleBlockFiller_;

  // ---- Writing into templates: private members and state ----
  friend class WritingTestAccess;  // the writing tests reach the private members below
  // Looks for the block layout of template i among the drawing's texts (inside the window
  // P1-P2 when given) by its reference texts, and returns where it fits (scale and origin);
  // places and labels nothing. Fills Texts and CornerTexts.
  // Labels the cells of template i at every place of the drawing's texts (Texts) where its
  // block layout's reference texts lie in the same direction.
  void ReadBln(int i);
  // Loads template i's cells, maps them by the scales and origin into the drawing and labels
  // each with "[name]". A template whose cell file is missing or damaged raises CellFileError.
  void WriBlnCells(int i, double X0, double Y0, double XScale, double YScale);
  // A single-line text in model space at the cell's first corner, a fifth of the cell height
  // up, 0.6 cell heights high unless `height` is given. Host refusals raise sheetcut::Error.
  void AddCellText(const Point3d& first, const Point3d& opposite, const QString& text,
                   std::optional<double> height = {});
  std::vector<LayoutPlacement> MatchBlnMod(int i, const std::optional<Point3d>& P1 = {},
                                           const std::optional<Point3d>& P2 = {});

  // ---- Plotting: private members and state ----
  friend class PlotTestAccess;  // the plot tests reach plotWindow
  // The suggested paper of a window (see tarvik::PaperSizeName); "" beyond its range.
  QString PaperSizeName(int a, int b) const;
  QString SetLayoutPaper(const QString& driver, const QString& paper);
  // DwgPlotCmd's work: "" when the window was plotted or the settings ask for no plot (an
  // "auto" scale without its number yet, a named paper too small with no rule for that), else
  // why it was not plotted as set, each cause in the words of its message.
  QString plotWindow(QString strFileName, Point3d Pmin, Point3d Pmax);
  // Shows the drawing-number dialog (frmDwg) and keeps its results below until the next one;
  // true when it was confirmed.
  bool showFrmDwg();
  QString DlgDwgNo;
  QString DlgDwgName;
  double DlgScale = 0;

  // ---- Settings behind the properties ----
  QString WorkPath_;
  QString ModPath_;
  QString ChildFileSavePath_;
  int SplitSpeed_ = 100;
  bool AnSubFolder_ = false;
  QString AcadAppVersion_;
  bool IsEventStop_ = false;
  bool uConfirmStop_ = false;
  QString OutPltPath_, OutPltDrv_, OutPltSty_;
  QString OutDwfPath_, OutDwfDrv_, OutDwfSty_;
  QString PrnDrv_, PrnSty_, PrnPaper_;

  // ---- Working state shared by the operations ----
  double BaseTol = 1.0;         // tolerance of the table recognition
  std::vector<TextType> Texts;  // collected texts
  long TextNum = 0;
  std::vector<BlkTYpe> ModList;  // template list; entry 0 unused, 1..ModNum in file order
  int ModNum = 0;
  QString ModListError_;
  std::vector<RectType> Frames;  // frames found by the split; slots 1..FrameNum in use
  long FrameNum = 0;
  std::vector<RectType> Borders;  // border records of a block layout
  bool QuitFlag = false;          // stop flag of the folder batches, set by Quit
  QString RptPath;                // analysis report of the current run
  QString RptSection;             // its section for the current drawing
  double FrameScale = 0;          // scale of the frame last read
  bool LastIsGetCur = false;      // first argument of the last AcadAppIsRun
  QString FrameDefPath;           // frame-definition file last read
  PlotSettings PlotCfg;           // the plot settings; empty: nothing is plotted

  CADEventList events_;
  std::shared_ptr<Ui> ui_;
};

}  // namespace tarvik
