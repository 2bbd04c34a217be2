#include "core/Class.h"
#include "core/Hashtable.h"
#include "core/Integer.h"
#include "core/ObjectArray.h"
#include "core/Thread.h"
#include "platform/Charset.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

using lang::ClassInfo;

namespace {

// The names each class's hand-written instance test answered before the class
// table took over; the table must answer exactly these (names of other rows
// included) for every one of them.
const std::map<std::string, std::vector<std::string>> answeredBefore = {
    {"AnimateSprite", {"AnimateSprite", "Sprite", "SpriteBase", "Object"}},
    {"AudioClip", {"AudioClip", "Object"}},
    {"BitmapScaler", {"BitmapScaler", "Object"}},
    {"BufferedReader", {"BufferedReader", "Reader", "Object"}},
    {"ButtonSprite", {"ButtonSprite", "AnimateSprite", "Sprite", "SpriteBase", "Object"}},
    {"ByteArray", {"ByteArray", "Object"}},
    {"ByteArrayInputStream", {"ByteArrayInputStream", "InputStream", "Object"}},
    {"Class", {"Class", "Object"}},
    {"Color", {"Color", "Object"}},
    {"Component", {"Component", "Object"}},
    {"Cursor", {"Cursor", "Object"}},
    {"DataLoader", {"DataLoader", "Object"}},
    {"DialogSprite", {"DialogSprite", "FancyContainer", "Sprite", "SpriteBase", "Object"}},
    {"Dimension", {"Dimension", "Object"}},
    {"Event", {"Event", "Object"}},
    {"Exception", {"Exception", "Object"}},
    {"FancyContainer", {"FancyContainer", "Sprite", "SpriteBase", "Object"}},
    {"FancyHelper", {"FancyHelper", "Object"}},
    {"FileInputStream", {"FileInputStream", "InputStream", "Object"}},
    {"FileItem", {"FileItem", "ResourceItem", "Object"}},
    {"Font", {"Font", "Object"}},
    {"FontMetrics", {"FontMetrics", "Object"}},
    {"Frame", {"Frame", "Component", "Object"}},
    {"GameCanvas", {"GameCanvas", "Component", "Object"}},
    {"GameCanvas2", {"GameCanvas2", "GameCanvas", "Component", "Object"}},
    {"Graphics", {"Graphics", "Object"}},
    {"GraphicsI", {"GraphicsI", "GraphicsW", "Graphics", "Object"}},
    {"GraphicsW", {"GraphicsW", "Graphics", "Object"}},
    {"Hashtable", {"Hashtable", "Object"}},
    // The key enumerator used to answer only "Runnable" and "Object"; as a row
    // of the table it answers its own name too.
    {"HashtableEnumerator", {"HashtableEnumerator", "Runnable", "Object"}},
    {"Image", {"Image", "Object"}},
    {"ImageArray", {"ImageArray", "ObjectArray", "Object"}},
    {"InputStream", {"InputStream", "Object"}},
    {"InputStreamReader", {"InputStreamReader", "Reader", "Object"}},
    {"InputThread", {"InputThread", "Thread", "Object", "Runnable"}},
    {"IntArray", {"IntArray", "Object"}},
    {"Integer", {"Integer", "Object"}},
    {"Module", {"Module", "Object"}},
    {"NewFontSprite", {"NewFontSprite", "Sprite", "SpriteBase", "Object"}},
    {"NumberSprite", {"NumberSprite", "AnimateSprite", "Sprite", "SpriteBase", "Object"}},
    {"Object", {"Object"}},
    {"ObjectArray", {"ObjectArray", "Object"}},
    {"Point", {"Point", "Object"}},
    {"Reader", {"Reader", "Object"}},
    {"RectButtonSprite",
     {"RectButtonSprite", "ButtonSprite", "AnimateSprite", "Sprite", "SpriteBase", "Object"}},
    {"Rectangle", {"Rectangle", "Object"}},
    {"Region", {"Region", "Object"}},
    {"RenderThread", {"RenderThread", "Thread", "Object", "Runnable"}},
    {"ResourceFile", {"ResourceFile", "Object"}},
    {"ResourceFileHeader", {"ResourceFileHeader", "Object"}},
    {"ResourceItem", {"ResourceItem", "Object"}},
    {"RichTTYSprite", {"RichTTYSprite", "Sprite", "SpriteBase", "Object"}},
    {"RippleBall", {"RippleBall", "Sprite", "SpriteBase", "Object"}},
    {"RippleBigBall", {"RippleBigBall", "Sprite", "SpriteBase", "Object"}},
    {"RipplePowerup", {"RipplePowerup", "AnimateSprite", "Sprite", "SpriteBase", "Object"}},
    {"Sample", {"Sample", "Object"}},
    {"ScoreEntry", {"ScoreEntry", "Object"}},
    {"Sprite", {"Sprite", "SpriteBase", "Object"}},
    {"SpriteArray", {"SpriteArray", "ObjectArray", "Object"}},
    {"SpriteBase", {"SpriteBase", "Object"}},
    {"Stream", {"Stream", "Object"}},
    {"StreamTokenizer", {"StreamTokenizer", "Object"}},
    {"String", {"String", "Object"}},
    {"StringArray", {"StringArray", "ObjectArray", "Object"}},
    {"TVectorBase", {"TVectorBase", "Object"}},
    {"TextSprite", {"TextSprite", "Sprite", "SpriteBase", "Object"}},
    {"Thread", {"Thread", "Object", "Runnable"}},
    {"TiledSprite", {"TiledSprite", "Sprite", "SpriteBase", "Object"}},
    {"User", {"User", "Object"}},
    {"Vector", {"Vector", "Object"}},
    {"WindowGraphics", {"WindowGraphics", "GraphicsW", "Graphics", "Object"}},
};

std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(platform::ansiFoldCase(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

TEST(ClassTableTest, EveryDeclaredClassAnswersItsChain) {
    const std::vector<const ClassInfo*> rows = ClassInfo::all();
    std::set<std::string> names{"Runnable"};
    for (const ClassInfo* row : rows) {
        ASSERT_NE(row->getName(), nullptr);
        names.insert(row->getName());
    }

    for (const ClassInfo* row : rows) {
        SCOPED_TRACE(row->getName());
        int depth = 0;
        const ClassInfo* top = row;
        for (; top->getParent() && depth < 64; top = top->getParent(), ++depth) {
            EXPECT_TRUE(row->isA(*top->getParent()));
            EXPECT_TRUE(row->answers(top->getParent()->getName()));
        }
        EXPECT_EQ(top, &lang::Object::classInfo) << "the chain must end at Object";
        EXPECT_TRUE(row->answers(lower(row->getName()).c_str()));
        EXPECT_FALSE(row->answers("lang.Object"));
        EXPECT_FALSE(row->answers(""));
        EXPECT_FALSE(row->answers(nullptr));

        auto before = answeredBefore.find(row->getName());
        if (before == answeredBefore.end())
            continue; // a class added since; the checks above hold for it
        std::set<std::string> expected(before->second.begin(), before->second.end());
        for (const std::string& name : names)
            EXPECT_EQ(row->answers(name.c_str()), expected.count(name) == 1) << name;
    }

    for (const auto& [name, chain] : answeredBefore)
        EXPECT_EQ(names.count(name), 1u) << name << " lost its row";
}

// A creatable class that forgot its own row would be created under its name
// but answer its parent's.
TEST(ClassTableTest, RegisteredClassesCreateInstancesOfTheirOwnRow) {
    int creatable = 0;
    for (const ClassInfo* row : ClassInfo::all()) {
        lang::Class* c = lang::Class::forName(row->getName());
        if (!c)
            continue;
        lang::Ref<lang::Object> instance = c->newInstance();
        if (!instance)
            continue;
        ++creatable;
        EXPECT_EQ(&instance->getClassInfo(), row) << row->getName();
    }
    EXPECT_GE(creatable, 8);
}

TEST(ClassTableTest, CheckedCastFollowsTheChain) {
    auto strings = lang::adopt(new lang::StringArray(1));
    auto number = lang::adopt(new lang::Integer(7));
    auto thread = lang::adopt(new lang::Thread());
    lang::Hashtable table;
    auto keys = table.keys();
    lang::Object* none = nullptr;

    EXPECT_EQ(lang::as<lang::ObjectArray>(strings), strings.get());
    EXPECT_EQ(lang::as<lang::StringArray>(strings), strings.get());
    EXPECT_EQ(lang::as<lang::Object>(number), number.get());
    EXPECT_EQ(lang::as<lang::SpriteArray>(strings), nullptr);
    EXPECT_EQ(lang::as<lang::StringArray>(number), nullptr);
    EXPECT_EQ(lang::as<lang::Integer>(none), nullptr);
    const lang::Object* constant = number.get();
    EXPECT_EQ(lang::as<lang::Integer>(constant), number.get());

    // Objects report the row of their own class, interfaces included.
    EXPECT_TRUE(strings->instanceOf("objectarray"));
    EXPECT_TRUE(thread->instanceOf("RUNNABLE"));
    EXPECT_TRUE(static_cast<lang::Object*>(thread.get())->instanceOf("Thread"));
    EXPECT_TRUE(keys->instanceOf("Runnable"));
    EXPECT_FALSE(number->instanceOf("Runnable"));
}
