#include "app/LaneProtocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <array>
#include <utility>

#include "errors/ByteText.h"

namespace LaneProtocol {

namespace {

using Kind = Event::Kind;

constexpr std::array<std::pair<Kind, const char*>, 7> kKindNames = {{
    {Kind::Kit, "kit"},
    {Kind::Radio, "radio"},
    {Kind::Phase, "phase"},
    {Kind::Progress, "progress"},
    {Kind::Box, "box"},
    {Kind::Question, "question"},
    {Kind::Outcome, "outcome"},
}};

const char* NameOf(Kind kind) {
    for (const auto& [each, name] : kKindNames)
        if (each == kind)
            return name;
    return "phase";
}

std::optional<Kind> KindNamed(const QString& name) {
    for (const auto& [kind, each] : kKindNames)
        if (name == QLatin1String(each))
            return kind;
    return std::nullopt;
}

// Box, question and outcome texts keep their lines; every other text is one line.
ByteText::LineFeeds LineFeedsOf(Kind kind) {
    return kind == Kind::Box || kind == Kind::Question || kind == Kind::Outcome ? ByteText::LineFeeds::kKeep
                                                                                : ByteText::LineFeeds::kEscape;
}

QString Text(std::string_view text, ByteText::LineFeeds lineFeeds = ByteText::LineFeeds::kEscape) {
    return QString::fromStdString(ByteText::Escaped(text, lineFeeds));
}

std::string Text(const QJsonObject& object, const char* key,
                 ByteText::LineFeeds lineFeeds = ByteText::LineFeeds::kEscape) {
    return ByteText::Escaped(object.value(QLatin1String(key)).toString().toStdString(), lineFeeds);
}

std::string Line(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() + '\n';
}

std::optional<QJsonObject> ObjectOf(std::string_view line) {
    if (line.size() > kMaxLineBytes)
        return std::nullopt;
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray(line.data(), static_cast<qsizetype>(line.size())));
    if (!document.isObject())
        return std::nullopt;
    return document.object();
}

void AddTexts(QJsonObject& object, const Event& event) {
    const ByteText::LineFeeds lineFeeds = LineFeedsOf(event.kind);
    switch (event.kind) {
        case Kind::Kit:
            object["title"] = Text(event.title);
            object["text"] = Text(event.text);
            break;
        case Kind::Radio:
            object["serial"] = Text(event.serial);
            object["release"] = Text(event.release);
            object["model"] = Text(event.model);
            object["identity"] = Text(event.identity);
            break;
        case Kind::Phase:
            object["text"] = Text(event.text);
            break;
        case Kind::Progress:
            object["text"] = Text(event.text);
            object["done"] = event.done;
            object["total"] = event.total;
            break;
        case Kind::Box:
        case Kind::Question:
            object["icon"] = Text(event.icon);
            object["caption"] = Text(event.caption);
            object["text"] = Text(event.text, lineFeeds);
            break;
        case Kind::Outcome:
            object["result"] = Text(event.result);
            object["text"] = Text(event.text, lineFeeds);
            object["exit"] = event.exit;
            break;
    }
}

}  // namespace

std::string Encode(const Event& event) {
    QJsonObject object;
    object["event"] = QLatin1String(NameOf(event.kind));
    AddTexts(object, event);
    if (event.kind == Kind::Question) {
        object["id"] = event.id;
        QJsonArray choices;
        for (const std::string& choice : event.choices)
            choices.append(Text(choice));
        object["choices"] = choices;
        if (!event.answered.empty())
            object["answered"] = Text(event.answered);
    }
    return Line(object);
}

std::string Encode(const Answer& answer) {
    QJsonObject object;
    object["id"] = answer.id;
    object["answer"] = Text(answer.answer);
    return Line(object);
}

std::optional<Event> DecodeEvent(std::string_view line) {
    const std::optional<QJsonObject> object = ObjectOf(line);
    if (!object)
        return std::nullopt;
    const std::optional<Kind> kind = KindNamed(object->value("event").toString());
    if (!kind)
        return std::nullopt;
    Event event;
    event.kind = *kind;
    event.text = Text(*object, "text", LineFeedsOf(*kind));
    event.caption = Text(*object, "caption");
    event.icon = Text(*object, "icon");
    event.id = object->value("id").toInt();
    for (const QJsonValue choice : object->value("choices").toArray())
        event.choices.push_back(ByteText::Escaped(choice.toString().toStdString()));
    event.answered = Text(*object, "answered");
    event.done = object->value("done").toInt();
    event.total = object->value("total").toInt();
    event.title = Text(*object, "title");
    event.serial = Text(*object, "serial");
    event.release = Text(*object, "release");
    event.model = Text(*object, "model");
    event.identity = Text(*object, "identity");
    event.result = Text(*object, "result");
    event.exit = object->value("exit").toInt();
    return event;
}

std::optional<Answer> DecodeAnswer(std::string_view line) {
    const std::optional<QJsonObject> object = ObjectOf(line);
    if (!object || !object->value("id").isDouble() || !object->value("answer").isString())
        return std::nullopt;
    return Answer{object->value("id").toInt(), object->value("answer").toString().toStdString()};
}

}  // namespace LaneProtocol
