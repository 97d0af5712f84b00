#pragma once

#include <QPointer>

// The one window of a form, made and loaded on first use, as the program's forms are; made
// afresh after it was deleted. Making a window neither shows it nor opens a box: showing is the
// caller's (showInFront), and what a load step has to say waits until its window is shown (the
// main window's load step is the start-up, which shows it). A form keeps its constructor and
// load() private and befriends FormInstance<ItsClass>.
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
