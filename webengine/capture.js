// Injected at document creation into every frame, in a world of its own, so that the page
// can neither see nor change it. It reports through console messages that start with a per-run
// secret; the application ignores every other message. What every version of the engine needs
// from here: the navigations a frame starts and the loads of frames, which the engine tells
// nobody, and when the top frame's new document is created. Where the engine does not hand the
// interceptor each request's body (before Qt 6.7), the part that rebuilds form bodies inside the
// page is added below: it stands in where the engine's protocol cannot tell a body (a file's
// contents, a new window's first request).
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

    // A navigation of this frame is told to the page just before its request goes out; a
    // server's redirect of it is not. In a frame, that tells a navigation the page started
    // from the follow-up of a redirect, which the engine may type alike.
    if (window.navigation && window !== window.top) {
        window.navigation.addEventListener('navigate', (event) => {
            if (event.isTrusted && !event.hashChange)
                report({ kind: 'navigate', url: event.destination.url });
        });
    }

    // The names of a form's password inputs, when it builds what it sends: a file saved
    // without passwords leaves their values out, whatever the fields are called. Read through
    // the prototype: a control named "elements" hides the form's own property.
    const elementsOf = Object.getOwnPropertyDescriptor(HTMLFormElement.prototype, 'elements').get;
    const onPasswords = (event) => {
        if (!event.isTrusted || !(event.target instanceof HTMLFormElement))
            return;
        const names = [];
        for (const control of elementsOf.call(event.target)) {
            if (control instanceof HTMLInputElement && control.type === 'password' && control.name)
                names.push(control.name);
        }
        if (names.length > 0)
            report({ kind: 'passwords', names: names });
    };
    // document.open() takes the listener off; a new listener of the same function is one.
    const listenForPasswords = () => window.addEventListener('formdata', onPasswords, true);
    listenForPasswords();
    new MutationObserver(listenForPasswords).observe(doc, { childList: true });

    /*@BODIES@*/

    // The top frame tells when its document is created: a redirect before that is the server's.
    // The top page's completion comes from the engine itself; frames' only from here, and a
    // frame's load also ends the wait for its document.
    if (window === window.top) {
        report({ kind: 'document', top: true, url: doc.location.href });
    } else {
        window.addEventListener('load', (event) => {
            if (event.target === doc)
                report({ kind: 'load', url: doc.location.href });
        }, true);
    }
})();
