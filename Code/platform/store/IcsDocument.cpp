#include "platform/store/IcsDocument.h"

#include <algorithm>

namespace calstore::detail {

namespace {

constexpr int kFoldAt = 75;

struct Line {
    QByteArray content;  // unfolded, without line ends
    QByteArray raw;      // as in the file, line ends included
};

std::vector<Line> logicalLines(const QByteArray& text, QByteArray* lineEnd) {
    std::vector<Line> out;
    qsizetype pos = 0;
    bool first = true;
    while (pos < text.size()) {
        qsizetype end = text.indexOf('\n', pos);
        const qsizetype next = end < 0 ? text.size() : end + 1;
        if (end < 0) end = text.size();
        QByteArray physical = text.mid(pos, end - pos);
        if (physical.endsWith('\r')) physical.chop(1);
        if (first) {
            *lineEnd = (end < text.size() && end > 0 && text[end - 1] == '\r') ? "\r\n" : "\n";
            first = false;
        }
        const QByteArray raw = text.mid(pos, next - pos);
        if (!out.empty() && !physical.isEmpty() && (physical[0] == ' ' || physical[0] == '\t')) {
            out.back().content += physical.mid(1);
            out.back().raw += raw;
        } else {
            out.push_back({physical, raw});
        }
        pos = next;
    }
    return out;
}

// NAME *(";" param) ":" value, with quoted parameter values.
IcsDocument::Property parseProperty(const QByteArray& line) {
    IcsDocument::Property p;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n && line[i] != ';' && line[i] != ':') ++i;
    p.name = line.left(i).trimmed().toUpper();
    while (i < n && line[i] == ';') {
        ++i;
        const qsizetype nameStart = i;
        while (i < n && line[i] != '=' && line[i] != ':' && line[i] != ';') ++i;
        IcsDocument::Parameter param;
        param.name = line.mid(nameStart, i - nameStart).trimmed().toUpper();
        if (i < n && line[i] == '=') {
            ++i;
            while (true) {
                QByteArray value;
                if (i < n && line[i] == '"') {
                    const qsizetype close = line.indexOf('"', i + 1);
                    const qsizetype stop = close < 0 ? n : close;
                    value = line.mid(i + 1, stop - i - 1);
                    i = close < 0 ? n : close + 1;
                } else {
                    const qsizetype start = i;
                    while (i < n && line[i] != ',' && line[i] != ';' && line[i] != ':') ++i;
                    value = line.mid(start, i - start);
                }
                param.values << value;
                if (i < n && line[i] == ',') {
                    ++i;
                    continue;
                }
                break;
            }
        }
        p.parameters << param;
    }
    if (i < n && line[i] == ':') p.value = line.mid(i + 1);
    return p;
}

QByteArray fold(const QByteArray& line, const QByteArray& lineEnd) {
    QByteArray out;
    qsizetype pos = 0;
    int limit = kFoldAt;
    while (line.size() - pos > limit) {
        qsizetype cut = pos + limit;
        // Never inside a UTF-8 sequence.
        while (cut > pos + 1 && (uchar(line[cut]) & 0xC0) == 0x80) --cut;
        out += line.mid(pos, cut - pos);
        out += lineEnd;
        out += ' ';
        pos = cut;
        limit = kFoldAt - 1;
    }
    out += line.mid(pos);
    out += lineEnd;
    return out;
}

QByteArray propertyText(const IcsDocument::Property& p) {
    QByteArray line = p.name;
    for (const auto& param : p.parameters) {
        line += ';';
        line += param.name;
        line += '=';
        QList<QByteArray> values;
        for (const QByteArray& v : param.values) {
            const bool quote = v.contains(':') || v.contains(';') || v.contains(',');
            values << (quote ? '"' + v + '"' : v);
        }
        line += values.join(',');
    }
    line += ':';
    line += p.value;
    return line;
}

void serializeComponent(const IcsDocument::Component& c, const QByteArray& lineEnd,
                        QByteArray& out);

void serializeItems(const std::vector<IcsDocument::Component::Item>& items,
                    const QByteArray& lineEnd, QByteArray& out) {
    for (const auto& item : items) {
        if (item.component) {
            serializeComponent(*item.component, lineEnd, out);
        } else if (item.property) {
            out += item.property->raw.isEmpty() ? fold(propertyText(*item.property), lineEnd)
                                                : item.property->raw;
        }
    }
}

void serializeComponent(const IcsDocument::Component& c, const QByteArray& lineEnd,
                        QByteArray& out) {
    out += c.beginRaw.isEmpty() ? "BEGIN:" + c.name + lineEnd : c.beginRaw;
    serializeItems(c.items, lineEnd, out);
    if (c.endRaw.isEmpty()) {
        if (c.beginRaw.isEmpty()) out += "END:" + c.name + lineEnd;  // made here
    } else {
        out += c.endRaw;
    }
}

}  // namespace

const IcsDocument::Parameter* IcsDocument::Property::parameter(const QByteArray& name) const {
    for (const auto& p : parameters)
        if (p.name == name) return &p;
    return nullptr;
}

QByteArray IcsDocument::Property::parameterValue(const QByteArray& name) const {
    const Parameter* p = parameter(name);
    return p && !p->values.isEmpty() ? p->values.first() : QByteArray();
}

void IcsDocument::Property::setParameter(const QByteArray& name, const QByteArray& value) {
    changed();
    for (qsizetype i = 0; i < parameters.size(); ++i) {
        if (parameters[i].name != name) continue;
        if (value.isEmpty())
            parameters.removeAt(i);
        else
            parameters[i].values = {value};
        return;
    }
    if (!value.isEmpty()) parameters << Parameter{name, {value}};
}

std::shared_ptr<IcsDocument::Property> IcsDocument::Component::property(
    const QByteArray& name) const {
    for (const auto& item : items)
        if (item.property && item.property->name == name) return item.property;
    return nullptr;
}

QList<std::shared_ptr<IcsDocument::Property>> IcsDocument::Component::properties(
    const QByteArray& name) const {
    QList<std::shared_ptr<Property>> out;
    for (const auto& item : items)
        if (item.property && item.property->name == name) out << item.property;
    return out;
}

QList<IcsDocument::ComponentPtr> IcsDocument::Component::components(const QByteArray& name) const {
    QList<ComponentPtr> out;
    for (const auto& item : items)
        if (item.component && item.component->name == name) out << item.component;
    return out;
}

std::shared_ptr<IcsDocument::Property> IcsDocument::Component::set(
    const QByteArray& name, const QByteArray& value, const QList<Parameter>& parameters) {
    std::shared_ptr<Property> kept;
    for (auto it = items.begin(); it != items.end();) {
        if (it->property && it->property->name == name) {
            if (!kept) {
                kept = it->property;
                ++it;
            } else {
                it = items.erase(it);
            }
        } else {
            ++it;
        }
    }
    if (!kept) {
        kept = std::make_shared<Property>();
        kept->name = name;
        add(kept);
    }
    kept->parameters = parameters;
    kept->value = value;
    kept->changed();
    return kept;
}

void IcsDocument::Component::add(const std::shared_ptr<Property>& property) {
    // After the last property, before the subcomponents that follow it.
    auto at = items.end();
    for (auto it = items.begin(); it != items.end(); ++it)
        if (it->property) at = it + 1;
    if (at == items.end() && !items.empty() && items.front().component) at = items.begin();
    items.insert(at, Item{property, nullptr});
}

void IcsDocument::Component::removeAll(const QByteArray& name) {
    std::erase_if(items, [&](const Item& i) { return i.property && i.property->name == name; });
}

void IcsDocument::Component::remove(const std::shared_ptr<Property>& property) {
    std::erase_if(items, [&](const Item& i) { return i.property == property; });
}

void IcsDocument::Component::removeComponent(const ComponentPtr& component) {
    std::erase_if(items, [&](const Item& i) { return i.component == component; });
}

void IcsDocument::Component::addComponent(const ComponentPtr& component) {
    items.push_back(Item{nullptr, component});
}

IcsDocument::ComponentPtr IcsDocument::Component::clone() const {
    auto copy = std::make_shared<Component>();
    copy->name = name;
    for (const auto& item : items) {
        if (item.component) {
            copy->items.push_back(Item{nullptr, item.component->clone()});
        } else if (item.property) {
            auto p = std::make_shared<Property>(*item.property);
            p->changed();
            copy->items.push_back(Item{p, nullptr});
        }
    }
    return copy;
}

IcsDocument IcsDocument::parse(const QByteArray& text) {
    IcsDocument doc;
    const std::vector<Line> lines = logicalLines(text, &doc.lineEnd_);
    std::vector<ComponentPtr> open;
    auto itemsHere = [&]() -> std::vector<Component::Item>& {
        return open.empty() ? doc.top : open.back()->items;
    };
    for (const Line& line : lines) {
        const QByteArray upper = line.content.trimmed().toUpper();
        if (upper.startsWith("BEGIN:") && upper.size() > 6) {
            auto c = std::make_shared<Component>();
            c->name = upper.mid(6).trimmed();
            c->beginRaw = line.raw;
            itemsHere().push_back(Component::Item{nullptr, c});
            open.push_back(c);
            continue;
        }
        if (upper.startsWith("END:") && !open.empty() &&
            upper.mid(4).trimmed() == open.back()->name) {
            open.back()->endRaw = line.raw;
            open.pop_back();
            continue;
        }
        auto p = std::make_shared<Property>(parseProperty(line.content));
        p->raw = line.raw;
        itemsHere().push_back(Component::Item{p, nullptr});
    }
    return doc;
}

QByteArray IcsDocument::serialize() const {
    QByteArray out;
    serializeItems(top, lineEnd_, out);
    return out;
}

QList<IcsDocument::ComponentPtr> IcsDocument::components(const QByteArray& name) const {
    QList<ComponentPtr> out;
    for (const auto& item : top)
        if (item.component && item.component->name == "VCALENDAR")
            out << item.component->components(name);
    return out;
}

IcsDocument::ComponentPtr IcsDocument::firstCalendar() const {
    for (const auto& item : top)
        if (item.component && item.component->name == "VCALENDAR") return item.component;
    return nullptr;
}

QByteArray IcsDocument::escapeText(const QString& text) {
    QByteArray out;
    const QByteArray utf8 = text.toUtf8();
    out.reserve(utf8.size());
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case ';':
                out += "\\;";
                break;
            case ',':
                out += "\\,";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                if (i + 1 < utf8.size() && utf8[i + 1] == '\n') break;  // CRLF is one line end
                out += "\\n";
                break;
            default:
                if (uchar(c) < 0x20 && c != '\t') break;  // no control characters in TEXT
                out += c;
        }
    }
    return out;
}

QString IcsDocument::unescapeText(const QByteArray& value) {
    QByteArray out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            const char e = value[++i];
            out += (e == 'n' || e == 'N') ? '\n' : e;
        } else {
            out += c;
        }
    }
    return QString::fromUtf8(out);
}

QByteArray IcsDocument::parameterText(const QString& text) {
    QByteArray out;
    for (char c : text.toUtf8())
        if (c != '"' && (uchar(c) >= 0x20 || c == '\t')) out += c;
    return out;
}

}  // namespace calstore::detail
