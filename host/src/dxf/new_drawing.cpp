// The template of a new drawing: R2018, UTF-8 text, millimetres, with the tables, blocks and
// objects that every valid drawing has (layer "0", style "Standard", the three standard line
// types, model and paper space with their layouts, the root dictionary).

#include <string>

#include "dxf/dxf_io.h"

namespace cadhost::dxf {
namespace {

// One tag a line: the group code, one space, the value (which may be empty).
constexpr const char* kTemplate = R"(0 SECTION
2 HEADER
9 $ACADVER
1 AC1032
9 $ACADMAINTVER
70 105
9 $DWGCODEPAGE
3 ANSI_1252
9 $INSBASE
10 0.0
20 0.0
30 0.0
9 $EXTMIN
10 1e+20
20 1e+20
30 1e+20
9 $EXTMAX
10 -1e+20
20 -1e+20
30 -1e+20
9 $LIMMIN
10 0.0
20 0.0
9 $LIMMAX
10 420.0
20 297.0
9 $LTSCALE
40 1.0
9 $TEXTSIZE
40 2.5
9 $TEXTSTYLE
7 Standard
9 $CLAYER
8 0
9 $CELTYPE
6 ByLayer
9 $CECOLOR
62 256
9 $DIMSTYLE
2 Standard
9 $PLINEWID
40 0.0
9 $UCSNAME
2 
9 $UCSORG
10 0.0
20 0.0
30 0.0
9 $UCSXDIR
10 1.0
20 0.0
30 0.0
9 $UCSYDIR
10 0.0
20 1.0
30 0.0
9 $TILEMODE
70 1
9 $HANDSEED
5 30
9 $MEASUREMENT
70 1
9 $INSUNITS
70 4
9 $PSTYLEMODE
290 1
0 ENDSEC
0 SECTION
2 CLASSES
0 CLASS
1 ACDBDICTIONARYWDFLT
2 AcDbDictionaryWithDefault
3 ObjectDBX Classes
90 0
91 1
280 0
281 0
0 CLASS
1 ACDBPLACEHOLDER
2 AcDbPlaceHolder
3 ObjectDBX Classes
90 0
91 1
280 0
281 0
0 CLASS
1 LAYOUT
2 AcDbLayout
3 ObjectDBX Classes
90 0
91 2
280 0
281 0
0 ENDSEC
0 SECTION
2 TABLES
0 TABLE
2 VPORT
5 8
330 0
100 AcDbSymbolTable
70 1
0 VPORT
5 29
330 8
100 AcDbSymbolTableRecord
100 AcDbViewportTableRecord
2 *Active
70 0
10 0.0
20 0.0
11 1.0
21 1.0
12 210.0
22 148.5
13 0.0
23 0.0
14 10.0
24 10.0
15 10.0
25 10.0
16 0.0
26 0.0
36 1.0
17 0.0
27 0.0
37 0.0
40 297.0
41 1.5
42 50.0
43 0.0
44 0.0
50 0.0
51 0.0
71 0
72 100
73 1
74 3
75 0
76 0
77 0
78 0
281 0
65 1
110 0.0
120 0.0
130 0.0
111 1.0
121 0.0
131 0.0
112 0.0
122 1.0
132 0.0
79 0
146 0.0
0 ENDTAB
0 TABLE
2 LTYPE
5 5
330 0
100 AcDbSymbolTable
70 3
0 LTYPE
5 14
330 5
100 AcDbSymbolTableRecord
100 AcDbLinetypeTableRecord
2 ByBlock
70 0
3 
72 65
73 0
40 0.0
0 LTYPE
5 15
330 5
100 AcDbSymbolTableRecord
100 AcDbLinetypeTableRecord
2 ByLayer
70 0
3 
72 65
73 0
40 0.0
0 LTYPE
5 16
330 5
100 AcDbSymbolTableRecord
100 AcDbLinetypeTableRecord
2 Continuous
70 0
3 Solid line
72 65
73 0
40 0.0
0 ENDTAB
0 TABLE
2 LAYER
5 2
330 0
100 AcDbSymbolTable
70 1
0 LAYER
5 10
330 2
100 AcDbSymbolTableRecord
100 AcDbLayerTableRecord
2 0
70 0
62 7
6 Continuous
370 -3
390 F
0 ENDTAB
0 TABLE
2 STYLE
5 3
330 0
100 AcDbSymbolTable
70 1
0 STYLE
5 11
330 3
100 AcDbSymbolTableRecord
100 AcDbTextStyleTableRecord
2 Standard
70 0
40 0.0
41 1.0
50 0.0
71 0
42 2.5
3 txt
4 
0 ENDTAB
0 TABLE
2 VIEW
5 6
330 0
100 AcDbSymbolTable
70 0
0 ENDTAB
0 TABLE
2 UCS
5 7
330 0
100 AcDbSymbolTable
70 0
0 ENDTAB
0 TABLE
2 APPID
5 9
330 0
100 AcDbSymbolTable
70 1
0 APPID
5 12
330 9
100 AcDbSymbolTableRecord
100 AcDbRegAppTableRecord
2 ACAD
70 0
0 ENDTAB
0 TABLE
2 DIMSTYLE
5 A
330 0
100 AcDbSymbolTable
70 1
100 AcDbDimStyleTable
71 1
340 27
0 DIMSTYLE
105 27
330 A
100 AcDbSymbolTableRecord
100 AcDbDimStyleTableRecord
2 Standard
70 0
340 11
0 ENDTAB
0 TABLE
2 BLOCK_RECORD
5 1
330 0
100 AcDbSymbolTable
70 2
0 BLOCK_RECORD
5 1F
330 1
100 AcDbSymbolTableRecord
100 AcDbBlockTableRecord
2 *Model_Space
340 22
70 0
280 1
281 0
0 BLOCK_RECORD
5 1B
330 1
100 AcDbSymbolTableRecord
100 AcDbBlockTableRecord
2 *Paper_Space
340 1E
70 0
280 1
281 0
0 ENDTAB
0 ENDSEC
0 SECTION
2 BLOCKS
0 BLOCK
5 20
330 1F
100 AcDbEntity
8 0
100 AcDbBlockBegin
2 *Model_Space
70 0
10 0.0
20 0.0
30 0.0
3 *Model_Space
1 
0 ENDBLK
5 21
330 1F
100 AcDbEntity
8 0
100 AcDbBlockEnd
0 BLOCK
5 1C
330 1B
100 AcDbEntity
67 1
8 0
100 AcDbBlockBegin
2 *Paper_Space
70 0
10 0.0
20 0.0
30 0.0
3 *Paper_Space
1 
0 ENDBLK
5 1D
330 1B
100 AcDbEntity
67 1
8 0
100 AcDbBlockEnd
0 ENDSEC
0 SECTION
2 ENTITIES
0 ENDSEC
0 SECTION
2 OBJECTS
0 DICTIONARY
5 C
330 0
100 AcDbDictionary
281 1
3 ACAD_GROUP
350 D
3 ACAD_LAYOUT
350 1A
3 ACAD_MLINESTYLE
350 17
3 ACAD_PLOTSTYLENAME
350 E
0 DICTIONARY
5 D
102 {ACAD_REACTORS
330 C
102 }
330 C
100 AcDbDictionary
281 1
0 DICTIONARY
5 1A
102 {ACAD_REACTORS
330 C
102 }
330 C
100 AcDbDictionary
281 1
3 Layout1
350 1E
3 Model
350 22
0 DICTIONARY
5 17
102 {ACAD_REACTORS
330 C
102 }
330 C
100 AcDbDictionary
281 1
3 Standard
350 18
0 ACDBDICTIONARYWDFLT
5 E
102 {ACAD_REACTORS
330 C
102 }
330 C
100 AcDbDictionary
281 1
3 Normal
350 F
100 AcDbDictionaryWithDefault
340 F
0 ACDBPLACEHOLDER
5 F
102 {ACAD_REACTORS
330 E
102 }
330 E
0 MLINESTYLE
5 18
102 {ACAD_REACTORS
330 17
102 }
330 17
100 AcDbMlineStyle
2 Standard
70 0
3 
62 256
51 90.0
52 90.0
71 2
49 0.5
62 256
6 BYLAYER
49 -0.5
62 256
6 BYLAYER
@LAYOUT 22 Model 0 1F
@LAYOUT 1E Layout1 1 1B
0 ENDSEC
0 EOF
)";

// The tags of a LAYOUT object; "@LAYOUT handle name taborder blockrecord" in the template.
std::string layoutTags(const std::string& handle, const std::string& name, const std::string& tab,
                       const std::string& record) {
  return "0 LAYOUT\n5 " + handle +
         "\n102 {ACAD_REACTORS\n330 1A\n102 }\n330 1A\n100 AcDbPlotSettings\n1 \n2 none_device\n"
         "4 \n6 \n40 0.0\n41 0.0\n42 0.0\n43 0.0\n44 0.0\n45 0.0\n46 0.0\n47 0.0\n48 0.0\n"
         "49 0.0\n140 0.0\n141 0.0\n142 1.0\n143 1.0\n70 " +
         std::string(name == "Model" ? "1712" : "688") +
         "\n72 1\n73 0\n74 5\n7 \n75 16\n147 1.0\n76 0\n77 2\n78 300\n148 0.0\n149 0.0\n"
         "100 AcDbLayout\n1 " +
         name + "\n70 1\n71 " + tab +
         "\n10 0.0\n20 0.0\n11 420.0\n21 297.0\n12 0.0\n22 0.0\n32 0.0\n14 1e+20\n24 1e+20\n"
         "34 1e+20\n15 -1e+20\n25 -1e+20\n35 -1e+20\n146 0.0\n13 0.0\n23 0.0\n33 0.0\n"
         "16 1.0\n26 0.0\n36 0.0\n17 0.0\n27 1.0\n37 0.0\n76 0\n330 " +
         record + "\n";
}

// Appends "code value" lines as DXF text (code line, value line); "@LAYOUT ..." lines are
// expanded first.
void appendTags(std::string& out, std::string_view lines) {
  while (!lines.empty()) {
    size_t nl = lines.find('\n');
    std::string_view line = lines.substr(0, nl);
    lines.remove_prefix(nl == std::string_view::npos ? lines.size() : nl + 1);
    if (line.starts_with("@LAYOUT ")) {
      std::string args[4];
      std::string_view rest = line.substr(8);
      for (std::string& a : args) {
        size_t sp = rest.find(' ');
        a = rest.substr(0, sp);
        rest.remove_prefix(sp == std::string_view::npos ? rest.size() : sp + 1);
      }
      appendTags(out, layoutTags(args[0], args[1], args[2], args[3]));
      continue;
    }
    size_t sp = line.find(' ');
    out.append(line.substr(0, sp)).append("\n").append(line.substr(sp + 1)).append("\n");
  }
}

}  // namespace

model::Drawing newDrawing() {
  static const model::Drawing kNew = [] {
    std::string text;
    appendTags(text, kTemplate);
    return readDxf(text, "new drawing");
  }();
  return kNew;
}

}  // namespace cadhost::dxf
