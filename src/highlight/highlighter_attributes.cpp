#include "highlight/highlighter_attributes.h"

#include "common/error.h"
#include "platform/settings_store.h"

#include <QSettings>

namespace bp {

namespace {

const QString &backgroundKey()
{
    static const QString key = QStringLiteral("Background");
    return key;
}

const QString &foregroundKey()
{
    static const QString key = QStringLiteral("Foreground");
    return key;
}

const QString &styleKey()
{
    static const QString key = QStringLiteral("Style");
    return key;
}

// An integer of the INI form: decimal, or hexadecimal after "$" or "0x", so files written by
// hand in either spelling load; anything else, or a number outside 32 bits, gives the default.
qint32 iniInteger(const QVariant &value, qint32 defaultValue)
{
    const QString text = value.toString().trimmed();
    bool ok = false;
    qint64 number = 0;
    if (text.startsWith(u'$'))
        number = text.mid(1).toLongLong(&ok, 16);
    else if (text.startsWith(u"0x", Qt::CaseInsensitive))
        number = text.mid(2).toLongLong(&ok, 16);
    else
        number = text.toLongLong(&ok, 10);
    if (!ok || number < -0x80000000LL || number > 0xFFFFFFFFLL)
        return defaultValue;
    return qint32(quint32(number));
}

} // namespace

THighlighterAttributes::THighlighterAttributes(const QString &name, const QString &friendlyName)
    : fFriendlyName(friendlyName), fName(name)
{}

void THighlighterAttributes::Assign(const THighlighterAttributes &source)
{
    fName = source.fName;
    AssignColorAndStyle(source);
}

void THighlighterAttributes::AssignColorAndStyle(const THighlighterAttributes &source)
{
    bool changed = false;
    if (fBackground != source.fBackground) {
        fBackground = source.fBackground;
        changed = true;
    }
    if (fForeground != source.fForeground) {
        fForeground = source.fForeground;
        changed = true;
    }
    if (fStyle != source.fStyle) {
        fStyle = source.fStyle;
        changed = true;
    }
    if (changed)
        AttributeChanged();
}

void THighlighterAttributes::SetBackground(TColor value)
{
    if (fBackground == value)
        return;
    fBackground = value;
    AttributeChanged();
}

void THighlighterAttributes::SetForeground(TColor value)
{
    if (fForeground == value)
        return;
    fForeground = value;
    AttributeChanged();
}

void THighlighterAttributes::SetStyle(TFontStyles value)
{
    if (fStyle == value)
        return;
    fStyle = value;
    AttributeChanged();
}

int THighlighterAttributes::IntegerStyle() const
{
    return int(fStyle.toInt()) & 0x0F;
}

void THighlighterAttributes::SetIntegerStyle(int value)
{
    TFontStyles style;
    if (value & 1)
        style |= TFontStyle::fsBold;
    if (value & 2)
        style |= TFontStyle::fsItalic;
    if (value & 4)
        style |= TFontStyle::fsUnderline;
    if (value & 8)
        style |= TFontStyle::fsStrikeOut;
    SetStyle(style);
}

void THighlighterAttributes::InternalSaveDefaultValues()
{
    fForegroundDefault = fForeground;
    fBackgroundDefault = fBackground;
    fStyleDefault = fStyle;
}

void THighlighterAttributes::AttributeChanged()
{
    if (fOnChange)
        fOnChange(this);
}

bool THighlighterAttributes::LoadFromFile(QSettings &ini)
{
    ini.beginGroup(fName);
    const QStringList keys = ini.childKeys();
    const bool found = !keys.isEmpty();
    if (found) {
        if (keys.contains(backgroundKey()))
            SetBackground(TColor(iniInteger(ini.value(backgroundKey()), qint32(clWindow))));
        if (keys.contains(foregroundKey()))
            SetForeground(TColor(iniInteger(ini.value(foregroundKey()), qint32(clWindowText))));
        if (keys.contains(styleKey()))
            SetIntegerStyle(iniInteger(ini.value(styleKey()), 0));
    }
    ini.endGroup();
    return found;
}

bool THighlighterAttributes::SaveToFile(QSettings &ini) const
{
    ini.beginGroup(fName);
    ini.setValue(backgroundKey(), int(qint32(fBackground)));
    ini.setValue(foregroundKey(), int(qint32(fForeground)));
    ini.setValue(styleKey(), IntegerStyle());
    ini.endGroup();
    return true;
}

QString THighlighterAttributes::settingsGroup(const QString &keyPath)
{
    QString group = keyPath;
    group.replace(u'\\', u'/');
    while (group.startsWith(u'/'))
        group.remove(0, 1);
    while (group.endsWith(u'/'))
        group.chop(1);
    return group;
}

bool THighlighterAttributes::LoadFromRegistry(SettingsStore &store, const QString &parentKey)
{
    QString group = settingsGroup(parentKey);
    group = group.isEmpty() ? fName : group + u'/' + fName;
    if (!store.hasGroup(group))
        return false;
    const QStringList names{backgroundKey(), foregroundKey(), styleKey()};
    QStringList paths;
    for (const QString &name : names)
        paths.append(group + u'/' + name);
    const std::vector<StoredInteger> stored = store.readIntegers(paths);
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (stored[i].error)
            throw Error(QStringLiteral("Invalid data type for '%1'").arg(names[qsizetype(i)]));
    }
    if (stored[0].value)
        SetBackground(TColor(*stored[0].value));
    if (stored[1].value)
        SetForeground(TColor(*stored[1].value));
    if (stored[2].value)
        SetIntegerStyle(*stored[2].value);
    return true;
}

bool THighlighterAttributes::SaveToRegistry(SettingsStore &store, const QString &parentKey) const
{
    if (!store.isWritable())
        return false;
    QString group = settingsGroup(parentKey);
    group = group.isEmpty() ? fName : group + u'/' + fName;
    store.writeIntegers({{group + u'/' + backgroundKey(), int(qint32(fBackground))},
                         {group + u'/' + foregroundKey(), int(qint32(fForeground))},
                         {group + u'/' + styleKey(), IntegerStyle()}});
    return true;
}

} // namespace bp
