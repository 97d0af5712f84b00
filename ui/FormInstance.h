#pragma once

#include <QPointer>

// The one window of a form, made and loaded on first use, as the program's forms are; made
// afresh after it was deleted. A form keeps its constructor and load() private and befriends
// FormInstance<ItsClass>.
template <typename Form> class FormInstance {
public:
    static Form& get() {
        QPointer<Form>& form = pointer();
        if (!form) {
            form = new Form;
            form->load();
        }
        return *form;
    }

    // The window if it exists now; nothing is made.
    static Form* existing() { return pointer(); }

private:
    static QPointer<Form>& pointer() {
        static QPointer<Form> form;
        return form;
    }
};
