#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

#include "mobrel/err_object.h"
#include "mobrel/file_dialogs.h"

class QWidget;

namespace mobrel {

class clsBalloonTip;

// The utility library's one public object: file and folder operations, INI files, system
// folders and names, dialogs, message, confirmation and input boxes, error display, balloon
// tips, MD5, the string cipher, GUIDs and FTP transfers. Each member hands its work to one
// service of the library.
//
// A member that fails raises sheetcut::Error to the caller (with the member's name as its
// source when the service gave none). Alert, Confirm and InputBox are the exceptions: they
// show a failure in a plain message box and return normally. The services answer most
// failures themselves: a non-zero number from the file operations, false from CrtLocalPath
// and the FTP members, "" from the dialogs and the name queries.
class API {
 public:
  // The identifiers the interface and the class were published under.
  static constexpr const char* kInterfaceId = "{EE5B5F86-C2A8-4776-B398-F024F257948D}";
  static constexpr const char* kClassId = "{6F116312-B824-44D1-ABCF-BF277347E9DD}";

  API();
  // Releases the tip object; its tip stays with its widget.
  ~API();
  API(const API&) = delete;
  API& operator=(const API&) = delete;

  // Dialogs. A cancel gives the empty record, or "".
  DlgFileInfo SelectFiles(QWidget* formHwnd = nullptr,
                          const QString& Filter = QStringLiteral("所有文件|*.*"),
                          bool IsMultFiles = true,
                          const QString& Title = QStringLiteral("请选择文件"),
                          const QString& InitDir = QString());
  QString SelectFolder(QWidget* formHwnd, const QString& Title = QStringLiteral("请选择一个文件夹"),
                       const QString& StartDir = QString(), bool IsNewFolder = false);

  // File operations: 0 on success, else an error number. With isAlarm the user is asked
  // before a permanent delete or a replacement. DelFile and DelFolder drop one trailing "/"
  // from the caller's variable.
  long CopyFile(QWidget* formHwnd, const QString& srcFile, const QString& fileToPath,
                bool isAlarm = false);
  long MoveFile(QWidget* formHwnd, const QString& srcFile, const QString& fileToPath,
                bool isAlarm = false);
  long DelFile(QWidget* formHwnd, QString& srcFile, bool isAlarm = false);
  long DelFolder(QWidget* formHwnd, QString& FolderPath, bool isAlarm = false);
  long DelFolderSubObjs(QWidget* formHwnd, const QString& FolderPath, bool isAlarm = false);
  long DelFolderFiles(QWidget* formHwnd, const QString& FolderPath, bool isAlarm = false);
  long RenameFile(QWidget* formHwnd, const QString& srcFile, const QString& newFileName);

  // Lists the sub-folders and matching files of a folder (and its tree with SearchSubDirs);
  // adds "/" to the caller's SearchPath. Files and sub-folders whose names are not UTF-8 cannot
  // be reached by the paths listed: they are left out, and named in skippedFiles when it is
  // given, a sub-folder with a trailing "/".
  void FindFolderSubObjs(QString& SearchPath, const QString& FileNameFilter, QStringList& fileArr,
                         QStringList& dirArr, bool SearchSubDirs = false,
                         QStringList* skippedFiles = nullptr);

  // INI files; each call reads or changes the file at once. A change that cannot be written
  // (a section or key name the file cannot hold included) raises sheetcut::Error naming the
  // file and why (in Chinese), and the file is as it was. A path that is not a regular file
  // (a named pipe, a device) raises the same error on reading too.
  QString GetINIKeyValue(const QString& IniFilePath, const QString& Sect, const QString& KeyStr);
  void SetINIKeyValue(const QString& IniFilePath, const QString& Sect, const QString& KeyStr,
                      const QString& KeyValue);
  void DeleteINIKey(const QString& IniFilePath, const QString& Sect, const QString& KeyStr);
  void DeleteINISect(const QString& IniFilePath, const QString& Sect);

  // System folders (ending in "/"), paths and names.
  QString GetWindowsPath();
  QString GetWindowsSysPath();
  QString GetWindowsTempPath();
  bool FileExist(const QString& FileName);
  bool FolderExist(const QString& FolderName);
  bool CrtLocalPath(const QString& PathName);
  QString GetWinLogUser();
  QString GetHostName();
  QString GetMLineText(const QString& srcTxt, int LineChrNum);

  // The skinned boxes, modal. An empty title keeps the window's own.
  void Alert(const QString& infoStr, const QString& strTitle = QString());
  // With btnCls exactly "OK" the buttons read "确定(&OK)" and "取消(&C)", otherwise
  // "是(&Y)" and "否(&N)"; true when the first one was chosen.
  bool Confirm(const QString& infoStr, const QString& btnCls = QStringLiteral("OK"),
               const QString& strTitle = QString());
  // The typed text; "" when cancelled.
  QString InputBox(const QString& strTip = QStringLiteral("请输入内容："),
                   const QString& strDefault = QString(), const QString& strTitle = QString());
  // Shows a caller's error as "<SubName>函数发生异常[<number>], 原因：", an empty line and the
  // description, then clears it. An error numbered 0 shows nothing and stays as it is.
  void ShowErr(ErrObject& oErr, const QString& SubName = QString());

  // mdLen 16: the 16-character digest; any other value: the 32-character one.
  QString MD5(const QString& srcTxt, int mdLen = 16);
  void SetWindowOnTop(QWidget* WindowHwnd, bool IsOnTop = true);
  // A balloon tip over the widget. A second call for the same widget changes nothing, even
  // with other texts.
  void CrtToolTip(QWidget* objHwnd, const QString& tipStr, const QString& tipTitle = QString());
  // The string cipher; StrDeCode answers "" for a text it cannot decipher, and never a NUL.
  QString StrEnCode(const QString& srcChar, const QString& pwd, long keyLng = 160,
                    long blkSize = 128, bool isHex = false);
  QString StrDeCode(const QString& srcChar, const QString& pwd, long keyLng = 160,
                    long blkSize = 128, bool isHex = false);
  // A new GUID, 32 upper-case hexadecimal digits.
  QString GUID();

  // FTP over two connection slots, fIndex 0 or 1 (another slot raises sheetcut::Error, as
  // does a port outside 1 to 65535). The answers are those of the transfer.
  bool Conn2FtpServer(const QString& ftpServer, const QString& LogUser, const QString& LogPwd,
                      long ftpPort = 21, int fIndex = 0);
  void CloseFtpConn(int fIndex = 0);
  bool CrtFtpPath(const QString& PathName, int fIndex = 0);
  bool UploadFile(const QString& LocalFile, const QString& RemoteFile, int fIndex = 0);
  bool DownLoadFile(const QString& RemoteFile, const QString& LocalFile, int fIndex = 0);
  bool DownLoadFoderFiles(const QString& FolderName, const QString& LocalPath,
                          const QString& FilterStr = QStringLiteral("*.*"), int fIndex = 0);
  bool DeleteFtpFile(const QString& serFilePath, int fIndex = 0);

 private:
  QPointer<QWidget> tipWindow_;  // the widget the last tip was made for
  std::unique_ptr<clsBalloonTip> tip_;
};

}  // namespace mobrel
