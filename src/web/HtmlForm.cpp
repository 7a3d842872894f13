#include "web/HtmlForm.h"

#include <QRandomGenerator>

#include <utility>

namespace {

bool isTextLine(const QString &type)
{
    return type == QLatin1String("text") || type == QLatin1String("search") ||
           type == QLatin1String("tel") || type == QLatin1String("password") ||
           type == QLatin1String("url") || type == QLatin1String("email");
}

bool isSubmitter(const FormControl &control)
{
    return (control.tag == QLatin1String("input") &&
            (control.type == QLatin1String("submit") || control.type == QLatin1String("image"))) ||
           (control.tag == QLatin1String("button") && control.type == QLatin1String("submit"));
}

bool isResetButton(const FormControl &control)
{
    return (control.tag == QLatin1String("input") || control.tag == QLatin1String("button")) &&
           control.type == QLatin1String("reset");
}

bool isTickable(const FormControl &control)
{
    return control.tag == QLatin1String("input") &&
           (control.type == QLatin1String("checkbox") || control.type == QLatin1String("radio"));
}

// Form data carries line breaks as CR LF whatever the field held.
QString crlf(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

void appendUrlEncoded(QByteArray &out, const QString &text)
{
    static const char hex[] = "0123456789ABCDEF";
    for (const char ch : text.toUtf8()) {
        const auto byte = static_cast<unsigned char>(ch);
        const bool unreserved = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                                (byte >= '0' && byte <= '9') || byte == '*' || byte == '-' ||
                                byte == '.' || byte == '_';
        if (unreserved) {
            out += static_cast<char>(byte);
        } else if (byte == ' ') {
            out += '+';
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        }
    }
}

QByteArray multipartName(const QString &name)
{
    QByteArray bytes = name.toUtf8();
    bytes.replace('"', "%22");
    bytes.replace('\r', "%0D");
    bytes.replace('\n', "%0A");
    return bytes;
}

} // namespace

HtmlForm::HtmlForm(QUrl pageUrl, QUrl baseUrl, std::optional<QString> action, QString method,
                   QString enctype, QList<FormControl> controls)
    : m_pageUrl(std::move(pageUrl)), m_baseUrl(std::move(baseUrl)), m_action(std::move(action)),
      m_method(std::move(method)), m_enctype(std::move(enctype)), m_controls(std::move(controls))
{}

int HtmlForm::indexOf(const QString &name) const
{
    for (int i = 0; i < count(); ++i) {
        if (m_controls.at(i).name == name)
            return i;
    }
    return -1;
}

bool HtmlForm::setValue(int position, const QString &value)
{
    if (position < 0 || position >= count())
        return false;
    FormControl &control = m_controls[position];
    if (control.type == QLatin1String("file")) {
        // Only the user may choose a file; a page may clear the choice.
        if (!value.isEmpty())
            return false;
        control.value.clear();
        return true;
    }
    if (control.tag == QLatin1String("select")) {
        bool found = false;
        for (FormOption &option : control.options) {
            option.selected = !found && option.value == value;
            found = found || option.selected;
        }
        return true;
    }
    if (control.tag == QLatin1String("input") && isTextLine(control.type)) {
        QString line = value;
        line.remove(QLatin1Char('\r'));
        line.remove(QLatin1Char('\n'));
        control.value = line;
    } else {
        control.value = value;
    }
    control.hasValueAttribute = true;
    return true;
}

bool HtmlForm::setChecked(int position, bool checked)
{
    if (position < 0 || position >= count() || !isTickable(m_controls.at(position)))
        return false;
    FormControl &control = m_controls[position];
    control.checked = checked;
    if (checked && control.type == QLatin1String("radio") && !control.name.isEmpty()) {
        for (int i = 0; i < count(); ++i) {
            FormControl &other = m_controls[i];
            if (i != position && other.type == QLatin1String("radio") &&
                other.tag == QLatin1String("input") && other.name == control.name)
                other.checked = false;
        }
    }
    return true;
}

std::optional<FormSubmission> HtmlForm::click(int position)
{
    if (position < 0 || position >= count())
        return std::nullopt;
    const FormControl &control = m_controls.at(position);
    if (control.disabled)
        return std::nullopt;
    if (isTickable(control)) {
        setChecked(position, control.type == QLatin1String("radio") || !control.checked);
        return std::nullopt;
    }
    if (isResetButton(control)) {
        reset();
        return std::nullopt;
    }
    if (isSubmitter(control))
        return submission(position);
    return std::nullopt;
}

void HtmlForm::reset()
{
    for (FormControl &control : m_controls) {
        control.value = control.defaultValue;
        control.checked = control.defaultChecked;
        for (FormOption &option : control.options)
            option.selected = option.defaultSelected;
    }
}

HtmlForm::Entries HtmlForm::entries(int submitter) const
{
    Entries list;
    for (int i = 0; i < count(); ++i) {
        const FormControl &control = m_controls.at(i);
        if (control.disabled)
            continue;
        if (isSubmitter(control)) {
            if (i != submitter)
                continue;
            if (control.type == QLatin1String("image")) {
                const QString prefix =
                    control.name.isEmpty() ? QString() : control.name + QLatin1Char('.');
                list.append({prefix + QLatin1Char('x'), QStringLiteral("0")});
                list.append({prefix + QLatin1Char('y'), QStringLiteral("0")});
                continue;
            }
        }
        if (control.name.isEmpty())
            continue;
        if (control.tag == QLatin1String("input")) {
            if (control.type == QLatin1String("button") || control.type == QLatin1String("reset"))
                continue;
            if (isTickable(control)) {
                if (control.checked)
                    list.append({control.name,
                                 control.hasValueAttribute ? control.value : QStringLiteral("on")});
                continue;
            }
            if (control.type == QLatin1String("submit") && !control.hasValueAttribute) {
                list.append({control.name, QStringLiteral("Submit")});
                continue;
            }
            list.append({control.name, control.value});
        } else if (control.tag == QLatin1String("button")) {
            if (control.type == QLatin1String("submit"))
                list.append({control.name, control.value});
        } else if (control.tag == QLatin1String("select")) {
            for (const FormOption &option : control.options) {
                if (option.selected && !option.disabled)
                    list.append({control.name, option.value});
            }
        } else if (control.tag == QLatin1String("textarea")) {
            list.append({control.name, control.value});
        }
    }
    for (auto &[name, value] : list) {
        name = crlf(name);
        value = crlf(value);
    }
    return list;
}

std::optional<FormSubmission> HtmlForm::submission(int submitter) const
{
    const FormControl *button =
        submitter >= 0 && submitter < count() ? &m_controls.at(submitter) : nullptr;

    const std::optional<QString> action =
        button && button->formAction ? button->formAction : m_action;
    QUrl target = m_pageUrl;
    if (action && !action->trimmed().isEmpty())
        target = m_baseUrl.resolved(QUrl(action->trimmed()));
    const QString scheme = target.scheme().toLower();
    if (!target.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return std::nullopt;
    target.setFragment(QString());

    const QString method =
        (button && button->formMethod ? *button->formMethod : m_method).trimmed().toLower();
    const QString enctype =
        (button && button->formEnctype ? *button->formEnctype : m_enctype).trimmed().toLower();
    const Entries list = entries(submitter);

    FormSubmission result;
    if (method != QLatin1String("post")) {
        QByteArray query;
        for (const auto &[name, value] : list) {
            if (!query.isEmpty())
                query += '&';
            appendUrlEncoded(query, name);
            query += '=';
            appendUrlEncoded(query, value);
        }
        target.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
        result.method = "GET";
        result.url = target;
        return result;
    }

    result.method = "POST";
    result.url = target;
    if (enctype == QLatin1String("multipart/form-data")) {
        const QByteArray boundary =
            "----PinvelleFormBoundary" +
            QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        for (const auto &[name, value] : list) {
            result.body += "--" + boundary + "\r\n";
            result.body += "Content-Disposition: form-data; name=\"" + multipartName(name) + "\"";
            result.body += "\r\n\r\n";
            result.body += value.toUtf8();
            result.body += "\r\n";
        }
        result.body += "--" + boundary + "--\r\n";
        result.contentType = "multipart/form-data; boundary=" + boundary;
    } else if (enctype == QLatin1String("text/plain")) {
        for (const auto &[name, value] : list)
            result.body += name.toUtf8() + '=' + value.toUtf8() + "\r\n";
        result.contentType = "text/plain;charset=UTF-8";
    } else {
        for (const auto &[name, value] : list) {
            if (!result.body.isEmpty())
                result.body += '&';
            appendUrlEncoded(result.body, name);
            result.body += '=';
            appendUrlEncoded(result.body, value);
        }
        result.contentType = "application/x-www-form-urlencoded";
    }
    return result;
}
