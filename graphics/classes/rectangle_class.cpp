#include "graphics/classes/rectangle_class.h"

#include <array>

#include "graphics/frame/host_message.h"
#include "host_binding/instance_data.h"

namespace tvq {
namespace {

// Property selectors, shared by the one getter and the one setter.
enum RectangleProperty : RbWord {
  kLeft = 1,
  kTop = 2,
  kWidth = 3,
  kHeight = 4,
  kRight = 5,
  kBottom = 6,
};

void construct(RbObject self) {
  if (RectangleData* r = rectangleData(self)) *r = {};
}

void destruct(RbObject) {}

int32_t getProperty(RbObject self, RbWord selector) {
  const RectangleData* r = rectangleData(self);
  if (r == nullptr) return 0;
  switch (selector) {
    case kLeft:
      return r->left;
    case kTop:
      return r->top;
    case kWidth:
      return r->width;
    case kHeight:
      return r->height;
    case kRight:
      return rightOf(*r);
    case kBottom:
      return bottomOf(*r);
    default:
      return 0;
  }
}

void setProperty(RbObject self, RbWord selector, int32_t value) {
  RectangleData* r = rectangleData(self);
  if (r == nullptr) return;
  switch (selector) {
    case kLeft:
      r->left = value;
      break;
    case kTop:
      r->top = value;
      break;
    case kWidth:
      r->width = value;
      break;
    case kHeight:
      r->height = value;
      break;
    case kRight:
      setRight(*r, value);
      break;
    case kBottom:
      setBottom(*r, value);
      break;
    default:
      break;
  }
}

RbBoolean isValidMethod(RbObject self) {
  const RectangleData* r = rectangleData(self);
  return r != nullptr && isValid(*r);
}

RbBoolean equalsMethod(RbObject self, RbObject rect) {
  const RectangleData* r = rectangleData(self);
  const RectangleData* other = rectangleData(rect);
  return r != nullptr && other != nullptr && equals(*r, *other);
}

void copyFromMethod(RbObject self, RbObject rect) {
  RectangleData* r = rectangleData(self);
  const RectangleData* other = rectangleData(rect);
  if (r != nullptr && other != nullptr) *r = *other;
}

void offsetByMethod(RbObject self, int32_t h, int32_t v) {
  if (RectangleData* r = rectangleData(self)) offsetBy(*r, h, v);
}

void moveToMethod(RbObject self, int32_t left, int32_t top) {
  if (RectangleData* r = rectangleData(self)) {
    r->left = left;
    r->top = top;
  }
}

void resizeMethod(RbObject self, int32_t width, int32_t height) {
  if (RectangleData* r = rectangleData(self)) {
    r->width = width;
    r->height = height;
  }
}

void insetByMethod(RbObject self, int32_t h, int32_t v) {
  if (RectangleData* r = rectangleData(self)) insetBy(*r, h, v);
}

void scaleByMethod(RbObject self, double factor) {
  if (RectangleData* r = rectangleData(self)) scaleBy(*r, factor);
}

int32_t areaMethod(RbObject self) {
  const RectangleData* r = rectangleData(self);
  return r != nullptr ? area(*r) : 0;
}

void unionWithMethod(RbObject self, RbObject rect) {
  RectangleData* r = rectangleData(self);
  const RectangleData* other = rectangleData(rect);
  if (r != nullptr && other != nullptr) unionWith(*r, *other);
}

void intersectWithMethod(RbObject self, RbObject rect) {
  RectangleData* r = rectangleData(self);
  const RectangleData* other = rectangleData(rect);
  if (r != nullptr && other != nullptr) intersectWith(*r, *other);
}

RbBoolean containsMethod(RbObject self, RbObject rect) {
  const RectangleData* r = rectangleData(self);
  const RectangleData* other = rectangleData(rect);
  return r != nullptr && other != nullptr && contains(*r, *other);
}

RbBoolean intersectsMethod(RbObject self, RbObject rect) {
  const RectangleData* r = rectangleData(self);
  const RectangleData* other = rectangleData(rect);
  return r != nullptr && other != nullptr && intersects(*r, *other);
}

void messageBoxMethod(RbObject self) {
  if (const RectangleData* r = rectangleData(self)) showMessage(describe(*r).data());
}

RbPropertyRecord property(const char* name, RbWord selector) {
  return {"Rectangle", name, "integer", 0, rbFunction(getProperty), rbFunction(setProperty),
          selector,    {}};
}

RbMethodRecord method(RbFunction function, const char* declaration) {
  return {function, nullptr, declaration, 0};
}

std::array properties = {
    property("left", kLeft),     property("top", kTop),     property("width", kWidth),
    property("height", kHeight), property("right", kRight), property("bottom", kBottom),
};

std::array methods = {
    method(rbFunction(isValidMethod), "IsValid() as Boolean"),
    method(rbFunction(equalsMethod), "Equals(rect as TVQ_Rectangle) as Boolean"),
    method(rbFunction(copyFromMethod), "CopyFrom(rect as TVQ_Rectangle)"),
    method(rbFunction(offsetByMethod), "OffsetBy(h as integer, v as integer)"),
    method(rbFunction(moveToMethod), "MoveTo(left as integer, top as integer)"),
    method(rbFunction(resizeMethod), "Resize(width as integer, height as integer)"),
    method(rbFunction(insetByMethod), "InsetBy(h as integer, v as integer)"),
    method(rbFunction(scaleByMethod), "ScaleBy(factor as double)"),
    method(rbFunction(areaMethod), "Area() as integer"),
    method(rbFunction(unionWithMethod), "UnionWith(rect as TVQ_Rectangle)"),
    method(rbFunction(intersectWithMethod), "IntersectWith(rect as TVQ_Rectangle)"),
    method(rbFunction(containsMethod), "Contains(rect as TVQ_Rectangle) as Boolean"),
    method(rbFunction(intersectsMethod), "Intersects(rect as TVQ_Rectangle) as Boolean"),
    method(rbFunction(messageBoxMethod), "MessageBox()"),
};

RbClassRecord record = {
    kRbClassRecordVersion,
    "TVQ_Rectangle",
    nullptr,
    sizeof(RectangleData),
    0,
    rbFunction(construct),
    rbFunction(destruct),
    properties.data(),
    static_cast<RbWord>(properties.size()),
    methods.data(),
    static_cast<RbWord>(methods.size()),
    {},
};

}  // namespace

RbClassRecord& rectangleClass() { return record; }

RectangleData* rectangleData(RbObject instance) {
  return host::instanceData<RectangleData>(instance, record);
}

}  // namespace tvq
