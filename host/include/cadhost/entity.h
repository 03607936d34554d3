#pragma once

// One drawing entity. A single proxy carries the members of every entity type; a member the
// type does not have throws HostError(Unsupported).

#include <string>
#include <string_view>
#include <vector>

#include "cadhost/fwd.h"
#include "cadhost/types.h"

namespace cadhost {

class Entity {
 public:
  Entity() = default;

  // Common members.
  std::string objectName() const;  // class name: "AcDbText", "AcDbLine", ...
  std::string dxfType() const;     // DXF type: "TEXT", "LINE", ...
  std::string handle() const;
  std::string layer() const;
  // Axis-aligned WCS box; HostError(Unsupported) when the entity has no finite extent.
  void getBoundingBox(Point3& min, Point3& max) const;
  // TEXT: for each byte length of `ends` (rising, none above the length of textString()),
  // max.x - min.x of the box getBoundingBox would give after setTextString(textString() cut to
  // that length), all measured in one pass over the text. HostError(Refused) for lengths that
  // fall or run past the text, HostError(Unsupported) as getBoundingBox gives it.
  std::vector<double> prefixWidths(const std::vector<std::size_t>& ends) const;
  void erase();  // Delete
  void update() const;
  void transformBy(const Matrix4& m);
  // Rotates about `base` in the WCS XY plane by `angle` radians.
  void rotate(const Point3& base, double angle);

  // TEXT, MTEXT, ATTDEF, ATTRIB.
  std::string textString() const;
  void setTextString(std::string_view s);
  Point3 insertionPoint() const;  // also INSERT
  void setInsertionPoint(const Point3& p);
  double height() const;
  void setHeight(double h);
  double rotation() const;  // radians; also INSERT
  void setRotation(double r);
  // The style the text is read with: its own, or the drawing's standard style when the drawing
  // does not define its own (the entity keeps the name it was read with).
  std::string styleName() const;
  void setStyleName(std::string_view name);
  int alignment() const;  // TEXT: 0..14
  void setAlignment(int a);
  Point3 textAlignmentPoint() const;
  void setTextAlignmentPoint(const Point3& p);
  int attachmentPoint() const;  // MTEXT: 1..9
  void setAttachmentPoint(int a);
  std::string tagString() const;     // ATTDEF, ATTRIB
  std::string promptString() const;  // ATTDEF

  // LINE.
  Point3 startPoint() const;
  Point3 endPoint() const;

  // LWPOLYLINE.
  std::vector<double> coordinates() const;  // x, y per vertex
  bool closed() const;
  void setClosed(bool c);
  void setWidth(int segment, double startWidth, double endWidth);

  // INSERT.
  std::string name() const;
  double xScaleFactor() const;
  double yScaleFactor() const;
  bool hasAttributes() const;
  std::vector<Entity> getAttributes() const;
  // New copies of the block's entities, transformed by the reference and appended to the
  // container that holds the reference, in block-definition order. The reference stays.
  std::vector<Entity> explode();

  bool operator==(const Entity& o) const;

 private:
  friend class detail::DocumentCore;
  Entity(std::weak_ptr<detail::DocumentCore> doc, detail::EntityRef ref)
      : doc_(std::move(doc)), ref_(ref) {}

  std::weak_ptr<detail::DocumentCore> doc_;
  detail::EntityRef ref_;
};

}  // namespace cadhost
