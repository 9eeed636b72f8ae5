// Reflection: looking types up, the class tree, objects seen as their own class, creating by
// name, and fields read and written by name, also through a base that is not the first.
#include <gtest/gtest.h>

#include "stream/reflect.h"
#include "stream/text_stream.h"

namespace {

struct TShape {
  virtual ~TShape() = default;
  int32_t x = 0;
  std::u16string label;
};
struct TTag {
  virtual ~TTag() = default;
  int64_t serial = 7;
};
// TShape lies after TTag inside a TCircle, so a TCircle* and its TShape* differ.
struct TCircle : TTag, TShape {
  float radius = 1.0f;
  std::shared_ptr<void> owner;
};
struct TUnregistered : TCircle {};

const bool shapes_registered = [] {
  TTypeRegistration<TShape>(u"TShape").Field(u"x", &TShape::x).Field(u"label", &TShape::label);
  TTypeRegistration<TCircle, TShape>(u"TCircle")
      .Creatable()
      .Field(u"radius", &TCircle::radius)
      .Field(u"owner", &TCircle::owner)
      .Property<int64_t>(u"serial", [](TCircle& c) { return c.serial; });
  return true;
}();

std::string Message(const std::function<void()>& f) {
  try {
    f();
  } catch (const TRuntimeError& e) {
    return e.what();
  }
  return "no error";
}

TEST(Reflection, TypesAreFoundByTheirExactNameWithTheirBaseClasses) {
  ASSERT_TRUE(shapes_registered);
  const TTypeId* text = TypeIdForName(u"TTextStream");
  ASSERT_TRUE(text) << "expected the stream layer's classes registered";
  ASSERT_TRUE(text->SuperType());
  EXPECT_EQ(u"TStream", text->SuperType()->Name());
  EXPECT_EQ(u"TIO", text->SuperType()->SuperType()->Name());
  EXPECT_EQ(nullptr, text->SuperType()->SuperType()->SuperType()) << "expected TIO to be a root";
  EXPECT_EQ(1, TypeExtends(u"TTextStream", u"TIO"));
  EXPECT_EQ(1, TypeExtends(u"TIO", u"TIO"));
  EXPECT_EQ(0, TypeExtends(u"TIO", u"TTextStream")) << "expected a base not to derive from its child";
  EXPECT_EQ(nullptr, TypeIdForName(u"ttextstream")) << "expected names to match exactly";
  EXPECT_EQ(nullptr, TypeIdForName(u"NoSuchClass"));
  EXPECT_EQ(0, TypeExtends(u"NoSuchClass", u"TIO"));
}

TEST(Reflection, AnObjectIsSeenAsItsOwnClassWhateverItIsHeldAs) {
  char bytes[4] = {};
  TStreamPtr held = TTextStream::Create(TRamStream::Create(bytes, 4, true, false), TTextStream::UTF8);
  ASSERT_TRUE(TypeOf(held));
  EXPECT_EQ(u"TTextStream", TypeOf(held)->Name()) << "expected the dynamic class";
  EXPECT_EQ(1, IsOfType(held, u"TStream"));
  EXPECT_EQ(0, IsOfType(held, u"TRamStream"));
  EXPECT_EQ(0, IsOfType(held, u"NoSuchClass"));
  EXPECT_EQ(nullptr, TypeOf(TStreamPtr())) << "expected null for a null object";
  std::shared_ptr<TShape> unknown = std::make_shared<TUnregistered>();
  ASSERT_TRUE(TypeOf(unknown));
  EXPECT_EQ(u"TShape", TypeOf(unknown)->Name()) << "expected the class it is held as when its own is unknown";
}

TEST(Reflection, FieldsAreListedBaseFirstAndReadAndWrittenThroughAnyBase) {
  std::shared_ptr<TShape> shape = CreateObjectAs<TShape>(u"TCircle");
  ASSERT_TRUE(shape) << "expected a TCircle made by name, held as a TShape";
  auto* circle = dynamic_cast<TCircle*>(shape.get());
  ASSERT_TRUE(circle);
  const std::vector<std::u16string> names = FieldNames(shape);
  const std::vector<std::u16string> expected = {u"x", u"label", u"radius", u"owner", u"serial"};
  EXPECT_TRUE(names == expected) << "expected x, label, radius, owner, serial; got " << names.size() << " names";
  EXPECT_EQ(1, SetField(shape, u"x", 5));
  EXPECT_EQ(1, SetField(shape, u"label", u"round"));
  EXPECT_EQ(1, SetField(shape, u"radius", 2.5f));
  auto owner = std::make_shared<int>(3);
  EXPECT_EQ(1, SetField(shape, u"owner", std::shared_ptr<void>(owner)));
  EXPECT_EQ(5, circle->x);
  EXPECT_TRUE(circle->label == u"round");
  EXPECT_EQ(2.5f, circle->radius);
  EXPECT_EQ(owner, circle->owner);
  EXPECT_EQ(5, std::any_cast<int32_t>(GetField(shape, u"x")));
  EXPECT_EQ(2.5f, std::any_cast<float>(GetField(shape, u"radius")));
  EXPECT_EQ(7, std::any_cast<int64_t>(GetField(shape, u"serial")));
  const TFieldId* radius = TypeOf(shape)->FindField(u"radius");
  ASSERT_TRUE(radius);
  EXPECT_EQ(TFieldId::FLOAT, radius->Kind());
  EXPECT_EQ(u"float", radius->KindName());
}

TEST(Reflection, UnknownNamesGiveNullAndWrongWritesSayWhatWasWrong) {
  auto circle = std::static_pointer_cast<TCircle>(CreateObject(u"TCircle"));
  ASSERT_TRUE(circle);
  EXPECT_FALSE(GetField(circle, u"diameter").has_value()) << "expected nothing for an unknown field";
  EXPECT_EQ(0, SetField(circle, u"diameter", 1.0f)) << "expected 0 for an unknown field";
  EXPECT_EQ(0, SetField(std::shared_ptr<TCircle>(), u"x", 1)) << "expected 0 for a null object";
  EXPECT_EQ("Field radius of TCircle takes float, not double", Message([&] { SetField(circle, u"radius", 2.0); }));
  EXPECT_EQ("Field x of TCircle takes int, not string", Message([&] { SetField(circle, u"x", std::u16string(u"5")); }));
  EXPECT_EQ("Field serial of TCircle is read-only", Message([&] { SetField(circle, u"serial", int64_t{1}); }));
  EXPECT_EQ(1.0f, circle->radius) << "expected a refused write to change nothing";
  EXPECT_EQ(nullptr, CreateObject(u"NoSuchClass"));
  EXPECT_EQ(nullptr, CreateObject(u"TShape")) << "expected null for a class without a way to make one";
  EXPECT_EQ(nullptr, CreateObjectAs<TTextStream>(u"TCircle")) << "expected null when the class is not of the asked kind";
  EXPECT_FALSE(TTypeRegistration<TTag>(u"TShape").Registered()) << "expected a name taken already to be refused";
  EXPECT_FALSE(TTypeRegistration<TShape>(u"TShapeAgain").Registered()) << "expected a class registered already to be refused";
}

}  // namespace
