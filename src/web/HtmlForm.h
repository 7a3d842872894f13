#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// One choice of a <select>.
struct FormOption {
    QString value;
    QString label;
    bool selected = false;
    bool defaultSelected = false;
    bool disabled = false;
};

// One element of a form, as a page's script would see it through the form's element list.
struct FormControl {
    QString tag;  // lower case: input, button, select, textarea, fieldset, object, output
    QString type; // input and button types in lower case; "select-one", "select-multiple",
                  // "textarea", "fieldset", "output", "object" for the others
    QString name;
    QString id;
    QString value;
    QString defaultValue;
    bool hasValueAttribute = false; // a submit button without one sends "Submit"
    bool checked = false;
    bool defaultChecked = false;
    bool disabled = false; // its own attribute or a disabled fieldset around it
    QList<FormOption> options;
    // A submit button's own overrides of the form's action, method and encoding.
    std::optional<QString> formAction;
    std::optional<QString> formMethod;
    std::optional<QString> formEnctype;
};

// What submitting a form asks the browser to load.
struct FormSubmission {
    QUrl url;
    QByteArray method; // "GET" or "POST"
    QByteArray body;   // POST only
    QByteArray contentType;
};

// The first form of a page with the values its fields hold now. Setting values and clicking
// behave as they do in a browser without scripts.
class HtmlForm final {
public:
    HtmlForm() = default;
    // `pageUrl` is the address the page came from, `baseUrl` what relative addresses resolve
    // against (the page's <base>, else the page address).
    HtmlForm(QUrl pageUrl, QUrl baseUrl, std::optional<QString> action, QString method,
             QString enctype, QList<FormControl> controls);

    int count() const { return static_cast<int>(m_controls.size()); }
    const FormControl &at(int position) const { return m_controls.at(position); }
    // Position of the first element with this name (exact case), or -1.
    int indexOf(const QString &name) const;

    // Sets the value the way a script assigning `.value` does: text fields lose line breaks, a
    // select picks the first option with that value (none if no option has it), check boxes
    // and radio buttons change the value they send, not whether they are ticked. A file field
    // only accepts the empty value. False when the position is out of range or refused.
    bool setValue(int position, const QString &value);
    // Ticks or clears a check box or radio button (clearing the rest of a radio group).
    bool setChecked(int position, bool checked);

    // A user's click on the element. Check boxes toggle, radio buttons are chosen, a reset
    // button restores the page's values, and a submit button (or image button) returns the
    // submission it starts. Disabled elements ignore clicks. A form whose target address is not
    // http or https submits nothing: there is no script engine to run "javascript:" actions.
    std::optional<FormSubmission> click(int position);

    // The submission as if the element at `submitter` (or none, when -1) submitted the form:
    // every successful control in order, the submitter's name and value included. Names and
    // values are sent as UTF-8 with line breaks as CR LF.
    std::optional<FormSubmission> submission(int submitter = -1) const;

    void reset();

private:
    using Entries = QList<std::pair<QString, QString>>;
    Entries entries(int submitter) const;

    QUrl m_pageUrl;
    QUrl m_baseUrl;
    std::optional<QString> m_action;
    QString m_method;
    QString m_enctype;
    QList<FormControl> m_controls;
};
