// Injected at document creation into every frame, in a world of its own, so that the page
// can neither see nor change it. It reports form submissions and frame loads through console
// messages that start with a per-run secret; the application ignores every other message.
(function () {
    'use strict';
    const secret = '@SECRET@';
    const report = (message) => console.log(secret + JSON.stringify(message));

    // A frame whose first document is replaced keeps its window: report each document once.
    const key = 'waytrace' + secret;
    const seen = window[key] || (window[key] = new WeakSet());
    const doc = document;
    if (seen.has(doc))
        return;
    seen.add(doc);

    const formProperty = (form, name) =>
        Object.getOwnPropertyDescriptor(HTMLFormElement.prototype, name).get.call(form);

    let submitter = null;
    let submitted = null; // the form whose submit event came last in this task
    let reported = false; // a report already went out in this task

    // Calls `read` once the page's own formdata listeners are done: they may add entries (a
    // token, say), and what they add is sent. A listener added during the dispatch to a node
    // that the event has yet to reach runs after the page's listeners there, so one on every
    // node still ahead runs last on the last node the event reaches: the top of its path, or
    // the node where the page stopped it.
    const afterPage = (event, read) => {
        const path = event.bubbles ? event.composedPath() : [event.target];
        const last = path[path.length - 1];
        const done = (seen) => {
            if (seen === event && !seen.cancelBubble && seen.currentTarget !== last)
                return; // the event goes on to further nodes
            for (const node of path)
                node.removeEventListener('formdata', done);
            // A later event finds the listeners that were left behind when the page ended
            // this one with stopImmediatePropagation(); they only go away then.
            if (seen === event)
                read();
        };
        for (const node of path)
            node.addEventListener('formdata', done);
    };

    // Comes before formdata for a button, Enter or requestSubmit(); form.submit() has none.
    doc.addEventListener('submit', (event) => {
        submitter = event.submitter || null;
        submitted = event.target;
    }, true);

    // Fires for every real submission, in every frame, but also for new FormData(form), and
    // the engine fires it a second time during a submission. Within one task the first report
    // counts, unless a submit event announces the real one: that report supersedes it.
    doc.addEventListener('formdata', (event) => {
        const form = event.target;
        const announced = submitted === form;
        const by = announced && submitter && submitter.form === form ? submitter : null;
        submitted = null;
        submitter = null;
        if (reported && !announced)
            return;
        if (!reported)
            setTimeout(() => { reported = false; submitted = null; }, 0);
        reported = true;

        // Read through the prototype: a control named "action" or "method" hides the
        // form's own property.
        const own = (attribute, property, fallback) =>
            by && by.hasAttribute(attribute) ? by[property] : formProperty(form, fallback);
        const method = String(own('formmethod', 'formMethod', 'method')).toLowerCase();
        if (method !== 'post')
            return;
        const action = own('formaction', 'formAction', 'action');
        const enctype = own('formenctype', 'formEnctype', 'enctype');
        afterPage(event, () => {
            const entries = [];
            for (const [name, value] of event.formData) {
                if (typeof value === 'string')
                    entries.push([name, value]);
                else
                    entries.push([name, value.name, value.type || '']);
            }
            report({ kind: 'form', action: action, enctype: enctype, entries: entries });
        });
    }, true);

    // The top page's completion comes from the engine itself; frames' only from here.
    if (window !== window.top) {
        window.addEventListener('load', (event) => {
            if (event.target === doc)
                report({ kind: 'load', url: doc.location.href });
        }, true);
    }
})();
