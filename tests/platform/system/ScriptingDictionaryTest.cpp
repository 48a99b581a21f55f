#include "platform/system/ScriptingDictionary.h"

#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

const char* const kInterface =
    R"(<!DOCTYPE node PUBLIC "-//freedesktop//DTD D-BUS Object Introspection 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd">
<node>
  <!-- a comment before -->
  <interface name="org.example.Thing">
    <method name="Make">
      <arg name="arguments" type="a{sv}" direction="in"/>
      <annotation name="com.varnsoft.Lumisk.Key.Name" value="s"/>
      <annotation name="com.varnsoft.Lumisk.Key.Size" value="d"/>
      <annotation name="com.varnsoft.Lumisk.Key.Count" value="i"/>
      <annotation name="com.varnsoft.Lumisk.Key.Skip Empty" value="b"/>
      <annotation name="com.varnsoft.Lumisk.Key.Extra" value="v"/>
      <annotation name="org.freedesktop.DBus.Deprecated" value="false"/>
    </method>
    <method name="Drop"/>
    <property name="Level" type="d" access="readwrite"/>
    <property name="Items" type="ai" access="read"/>
  </interface>
  <interface name="org.example.Second">
    <method name="Other"/>
  </interface>
</node>
)";

} // namespace

TEST(ScriptingDictionary, ReadsTheFirstInterfaceItsMethodsKeysAndProperties) {
    const ScriptingDictionary dictionary{QByteArray(kInterface)};
    ASSERT_TRUE(dictionary.isValid()) << dictionary.errorString().toStdString();
    EXPECT_EQ(dictionary.interfaceName(), str("org.example.Thing"));
    ASSERT_EQ(dictionary.methods().size(), 2);
    EXPECT_FALSE(dictionary.method(str("Other")));
    const ScriptingDictionary::Method* make = dictionary.method(str("Make"));
    ASSERT_TRUE(make);
    QStringList keys;
    for (const ScriptingDictionary::Key& key : make->keys)
        keys.append(key.name);
    EXPECT_EQ(keys, (QStringList{str("Name"), str("Size"), str("Count"), str("Skip Empty"),
                                 str("Extra")}));
    EXPECT_TRUE(dictionary.method(str("Drop"))->keys.isEmpty());
    ASSERT_TRUE(dictionary.property(str("Items")));
    EXPECT_FALSE(dictionary.property(str("Items"))->writable);
    EXPECT_TRUE(dictionary.property(str("Level"))->writable);
    EXPECT_EQ(dictionary.property(str("Items"))->type, str("ai"));

    // The introspection is the element itself, and is well formed on its own.
    const QString element = dictionary.introspection();
    EXPECT_TRUE(element.startsWith(str("<interface name=\"org.example.Thing\">")));
    EXPECT_TRUE(element.trimmed().endsWith(str("</interface>")));
    EXPECT_FALSE(element.contains(str("org.example.Second")));
    QXmlStreamReader reader(element);
    while (!reader.atEnd())
        reader.readNext();
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
}

TEST(ScriptingDictionary, ArgumentsAreCheckedByKeyAndKind) {
    const ScriptingDictionary dictionary{QByteArray(kInterface)};
    const ScriptingDictionary::Method& make = *dictionary.method(str("Make"));
    struct Case {
        QVariantMap arguments;
        const char* error; // empty: accepted
    } cases[] = {
        {{}, ""},
        {{{str("Name"), str("x")}, {str("Size"), 2}, {str("Count"), 3}}, ""},
        {{{str("Size"), 2.5}, {str("Skip Empty"), true}, {str("Extra"), QVariantList{1}}}, ""},
        {{{str("Name"), 7}}, "Name"},
        {{{str("Size"), str("big")}}, "Size"},
        {{{str("Count"), 2.5}}, "Count"},
        {{{str("Skip Empty"), 1}}, "Skip Empty"},
        {{{str("Colour"), 1}}, "Colour"},
    };
    for (const Case& c : cases) {
        const QString error = ScriptingDictionary::checkArguments(make, c.arguments);
        if (*c.error == '\0')
            EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        else
            EXPECT_TRUE(error.contains(str("\"%1\"").arg(str(c.error)))) << error.toStdString();
    }
}

TEST(ScriptingDictionary, ABrokenOrMissingFileLeavesItEmptyWithAReason) {
    const char* const broken[] = {
        "<node><interface name=\"a.b\"><method name=\"M\">",
        "<node/>",
        "<node><interface name=\"a.b\"><method name=\"M\"><annotation "
        "name=\"com.varnsoft.Lumisk.Key.K\" value=\"q\"/></method></interface></node>",
    };
    for (const char* xml : broken) {
        const ScriptingDictionary dictionary{QByteArray(xml)};
        EXPECT_FALSE(dictionary.isValid()) << xml;
        EXPECT_TRUE(dictionary.methods().isEmpty()) << xml;
    }
    const ScriptingDictionary missing = ScriptingDictionary::fromFile(str("/nonexistent/x.xml"));
    EXPECT_FALSE(missing.isValid());
    EXPECT_TRUE(missing.errorString().contains(str("/nonexistent/x.xml")));
}

TEST(ScriptingDictionary, BasicTypesHaveKindsAndContainersNone) {
    using Kind = ScriptingDictionary::Kind;
    EXPECT_EQ(ScriptingDictionary::kindOfType(str("s")), Kind::Text);
    EXPECT_EQ(ScriptingDictionary::kindOfType(str("d")), Kind::Number);
    EXPECT_EQ(ScriptingDictionary::kindOfType(str("i")), Kind::Integer);
    EXPECT_EQ(ScriptingDictionary::kindOfType(str("b")), Kind::Flag);
    EXPECT_EQ(ScriptingDictionary::kindOfType(str("v")), Kind::Any);
    for (const char* other : {"ai", "a{sv}", "", "x"})
        EXPECT_FALSE(ScriptingDictionary::kindOfType(str(other))) << other;
}
