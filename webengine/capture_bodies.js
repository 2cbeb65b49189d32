    // ---- Form bodies, rebuilt inside the page ---------------------------------------------
    // Added to the capture script only where the engine does not hand the application the body
    // of each request it sends. Runs inside the capture script, after its report().

    const formProperty = (form, name) =>
        Object.getOwnPropertyDescriptor(HTMLFormElement.prototype, name).get.call(form);

    // ---- The bytes a form sends, in its charset ----------------------------------------------
    // Entries are reported as binary strings (one character per byte), already encoded the way
    // the engine encodes them, so the application never guesses a charset.

    const canonicalEncoding = (label) => {
        try {
            return new TextDecoder(label).encoding;
        } catch (error) {
            return null; // no such encoding
        }
    };
    // The engine sends UTF-8 where a form would be in UTF-16.
    const outputEncoding = (encoding) => (encoding && !encoding.startsWith('utf-16') ? encoding : 'utf-8');
    // Read when a form is sent, not at document creation: nothing is set up in a frame that
    // never sends one, and a charset the page declares late is known by then.
    const documentEncoding = () => outputEncoding(canonicalEncoding(doc.characterSet));

    // The form's accept-charset first (the first label the engine knows), else its document's.
    const formEncodingOf = (form) => {
        const accepted = String(formProperty(form, 'acceptCharset') || '');
        for (const label of accepted.split(/[\s,]+/)) {
            const encoding = label && canonicalEncoding(label);
            if (encoding)
                return outputEncoding(encoding);
        }
        return outputEncoding(canonicalEncoding(form.ownerDocument.characterSet));
    };

    const fromBytes = (bytes) => {
        let text = '';
        for (let at = 0; at < bytes.length; at += 0x8000)
            text += String.fromCharCode.apply(null, bytes.subarray(at, at + 0x8000));
        return text;
    };
    const encodeUtf8 = (text) => fromBytes(new TextEncoder().encode(text));

    // The document's own charset: a query resolved in the document is percent-encoded in it,
    // with characters it cannot hold as numeric character references, exactly as forms are.
    // Only non-ASCII runs go through it: ASCII is itself in every charset the engine sends, and
    // the URL parser would drop line breaks and leave a literal "%" ambiguous.
    let anchor = null;
    const kRunLength = 0x4000; // keeps each address well below the engine's length limit
    const encodeRunInDocument = (run) => {
        anchor = anchor || doc.createElementNS('http://www.w3.org/1999/xhtml', 'a'); // XML too
        let bytes = '';
        for (let at = 0; at < run.length;) {
            let end = Math.min(run.length, at + kRunLength);
            const last = run.charCodeAt(end - 1);
            if (end < run.length && last >= 0xd800 && last <= 0xdbff)
                --end; // never split a surrogate pair
            anchor.href = 'http://x/?' + run.slice(at, end);
            const href = anchor.href;
            bytes += href.slice(href.indexOf('?') + 1).replace(/%([0-9A-Fa-f]{2})/g,
                (match, hex) => String.fromCharCode(parseInt(hex, 16)));
            at = end;
        }
        return bytes;
    };
    // ISO-2022-JP writes "%" among its own bytes, so a run could read as escapes it is not. One
    // character at a time it cannot: each ends with the escape back to ASCII ("%1B"). The
    // characters are then joined as the encoder writes a run, switching set only where the set
    // changes.
    const kEscape = '\x1b';
    const joinIso2022jp = (run) => {
        let bytes = '';
        let set = '(B'; // ASCII
        for (const character of run) {
            let one = encodeRunInDocument(character);
            let own = '(B';
            if (one.startsWith(kEscape)) {
                own = one.slice(1, 3);
                one = one.slice(3);
            }
            if (one.endsWith(kEscape + '(B'))
                one = one.slice(0, -3);
            if (own !== set)
                bytes += kEscape + own;
            set = own;
            bytes += one;
        }
        return set === '(B' ? bytes : bytes + kEscape + '(B';
    };
    const encodeInDocument = (text) => text.replace(/[^\x00-\x7f]+/g,
        documentEncoding() === 'iso-2022-jp' ? joinIso2022jp : encodeRunInDocument);

    // Another single-byte charset: the engine's own decoder, read backwards.
    const singleByteTables = new Map();
    const singleByteTable = (encoding) => {
        if (singleByteTables.has(encoding))
            return singleByteTables.get(encoding);
        const decoder = new TextDecoder(encoding);
        const table = new Map();
        let single = true;
        for (let byte = 0x80; byte <= 0xff && single; ++byte) {
            const text = decoder.decode(new Uint8Array([byte, 0xa1]));
            single = text.length === 2 && decoder.decode(new Uint8Array([byte, 0x41])).length === 2;
            if (text[0] !== '\ufffd' && !table.has(text[0]))
                table.set(text[0], String.fromCharCode(byte));
        }
        const result = single && table.size > 64 ? table : null;
        singleByteTables.set(encoding, result);
        return result;
    };
    const encodeWithTable = (text, table) => {
        let bytes = '';
        for (const character of text) {
            const code = character.codePointAt(0);
            bytes += code < 0x80 ? character : table.get(character) || '&#' + code + ';';
        }
        return bytes;
    };

    // Should a document ever fail to resolve the address, its body is still reported, in UTF-8,
    // rather than lost.
    const inDocumentOrUtf8 = (text) => {
        try {
            return encodeInDocument(text);
        } catch (error) {
            return encodeUtf8(text);
        }
    };
    // A multi-byte charset other than the document's has no encoder reachable from here: such
    // a form is reported as text with its charset, and the application encodes it (null).
    const encoderFor = (encoding) => {
        if (encoding === 'utf-8')
            return encodeUtf8;
        if (encoding === documentEncoding())
            return inDocumentOrUtf8;
        const table = singleByteTable(encoding);
        return table ? (text) => encodeWithTable(text, table) : null;
    };

    // ---- Submissions -------------------------------------------------------------------------
    // Only trusted events count, and the listeners are on the window in the capture phase,
    // registered before any script of the page runs: the page can neither hide the real event
    // nor pass off one of its own.

    let submitter = null;
    let submitted = null; // the form whose submit event came last in this task
    let reportedInTask = false;
    // Action address -> when a body for it was last reported. Until the request goes out, and a
    // while after, no unannounced report replaces that body.
    // Keyed without the fragment, which no request carries: a new one each time gets no report
    // past the seal.
    const lastReported = new Map();
    const sealKey = (address) => address.split('#')[0];
    const kSealedMs = 1000;

    // The entries of every trusted POST submission since the last navigation, newest last.
    const candidates = [];
    const kCandidates = 16;

    const messageOf = (candidate) => {
        if (!candidate.message) {
            const entries = [];
            const encode = candidate.encode || ((text) => text);
            for (const [name, value] of candidate.formData) {
                if (typeof value === 'string')
                    entries.push([encode(name), encode(value)]);
                else
                    entries.push([encode(name), encode(value.name), value.type || '']);
            }
            candidate.message = {
                kind: 'form', action: candidate.action, origin: doc.location.origin,
                enctype: candidate.enctype, entries: entries
            };
            if (!candidate.encode)
                candidate.message.charset = candidate.charset;
        }
        return candidate.message;
    };

    // Calls `read` once the page's own formdata listeners are done: they may add entries (a
    // token, say), and what they add is sent. A listener added during the dispatch to a node
    // that the event has yet to reach runs after the page's listeners there, so one on every
    // node still ahead runs last on the last node the event reaches: the top of its path, or
    // the node where the page stopped it. Where the page ends the event at once, the read
    // comes at the end of the task instead, before any timer of the page.
    const afterPage = (event, read) => {
        const path = event.bubbles ? event.composedPath() : [event.target];
        const last = path[path.length - 1];
        let done = false;
        const finish = () => {
            if (!done) {
                done = true;
                read();
            }
        };
        const listener = (seen) => {
            if (seen === event && !seen.cancelBubble && seen.currentTarget !== last)
                return; // the event goes on to further nodes
            for (const node of path)
                node.removeEventListener('formdata', listener);
            if (seen === event)
                finish();
        };
        for (const node of path)
            node.addEventListener('formdata', listener);
        setTimeout(finish, 0);
    };

    // Comes before formdata for a button, Enter or requestSubmit(); form.submit() has none.
    const onSubmit = (event) => {
        if (!event.isTrusted)
            return;
        submitter = event.submitter || null;
        submitted = event.target;
    };

    // Fires for every real submission, in every frame, but also for new FormData(form), and
    // once more when the engine tells the page of the navigation. Within one task the first
    // report counts, unless a submit event announces the real one; an address reported a
    // moment ago is not reported again unannounced.
    const onFormData = (event) => {
        if (!event.isTrusted)
            return;
        const form = event.target;
        const announced = submitted === form;
        const by = announced && submitter && submitter.form === form ? submitter : null;
        submitted = null;
        submitter = null;

        // Read through the prototype: a control named "action" or "method" hides the
        // form's own property.
        const own = (attribute, property, fallback) =>
            by && by.hasAttribute(attribute) ? by[property] : formProperty(form, fallback);
        const method = String(own('formmethod', 'formMethod', 'method')).toLowerCase();
        if (method !== 'post')
            return;
        const candidate = {
            form: form,
            announced: announced,
            action: own('formaction', 'formAction', 'action'),
            enctype: own('formenctype', 'formEnctype', 'enctype'),
            charset: formEncodingOf(form),
            encode: encoderFor(formEncodingOf(form)),
            formData: event.formData,
            message: null
        };
        candidates.push(candidate);
        if (candidates.length > kCandidates)
            candidates.shift();

        const now = performance.now();
        const sealed = now - (lastReported.get(sealKey(candidate.action)) ?? -Infinity) < kSealedMs;
        const reporting = announced || !(reportedInTask || sealed);
        if (reporting) {
            if (!reportedInTask)
                setTimeout(() => { reportedInTask = false; submitted = null; }, 0);
            reportedInTask = true;
            lastReported.set(sealKey(candidate.action), now);
        }
        afterPage(event, () => {
            const message = messageOf(candidate);
            if (reporting)
                report(announced ? { ...message, announced: true } : message);
        });
    };

    // document.open() takes every listener off the document and its window, ours too; the
    // document's children go with them, which tells that it happened. Adding a listener that is
    // still there does nothing. (A form submitted in the very task that wrote it is gone before
    // this runs; the navigate event below still tells its entries, where the engine fires one.)
    const listen = () => {
        window.addEventListener('submit', onSubmit, true);
        window.addEventListener('formdata', onFormData, true);
    };
    listen();
    new MutationObserver(listen).observe(doc, { childList: true });

    // The forms that post to `url`, this document's first, then those of every other document
    // of this page (and of the window that opened it) that this one may read: a form may
    // target this frame from another.
    const formsPostingTo = (url) => {
        const found = [];
        const visit = (win, seen) => {
            if (!win || seen.has(win))
                return;
            seen.add(win);
            try {
                for (const form of win.document.forms) {
                    if (formProperty(form, 'action') === url &&
                        String(formProperty(form, 'method')).toLowerCase() === 'post')
                        found.push(form);
                }
            } catch (error) {
                // another origin's document
            }
            for (let i = 0; i < win.frames.length; ++i)
                visit(win.frames[i], seen);
        };
        const seen = new Set();
        visit(window, seen);
        visit(window.top, seen);
        visit(window.opener && window.opener.top, seen);
        return found;
    };

    // A submission no document here saw (document.open() took the listeners in the same task,
    // or the form was sent into this frame from another): the entries the engine rebuilt for
    // the navigation, with the enctype and charset of a form that posts there. Where no such
    // form can be read, nothing is guessed.
    const reportRebuilt = (url, formData) => {
        const form = formsPostingTo(url)[0];
        if (!form)
            return;
        const charset = formEncodingOf(form);
        lastReported.set(sealKey(url), performance.now());
        report({
            ...messageOf({
                action: url,
                enctype: formProperty(form, 'enctype'),
                charset: charset,
                encode: encoderFor(charset),
                formData: formData,
                message: null
            }),
            rebuilt: true
        });
    };

    // A submission is told right after the engine rebuilt the entries of the form it submits.
    // Its body is the one taken when that form was submitted, whatever the page built since.
    if (window.navigation) {
        window.navigation.addEventListener('navigate', (event) => {
            if (!event.isTrusted || event.hashChange || !event.formData)
                return;
            const url = event.destination.url;
            const ofAction = candidates.filter((candidate) => candidate.action === url);
            candidates.length = 0;
            const rebuilt = ofAction.pop();
            if (!rebuilt) {
                reportRebuilt(url, event.formData);
                return;
            }
            // The entries of the form's submission: those a submit event announced, else the
            // form's newest before the rebuild. Entries built earlier in the page's life are not
            // what it sent, entries the page builds after a requestSubmit() are not either, and
            // other forms' entries are no part of it. (After form.submit(), which announces
            // nothing, the page's own entries of the same form cannot be told from the sent ones.)
            const submissions = ofAction.filter((candidate) => candidate.form === rebuilt.form);
            const chosen = submissions.filter((candidate) => candidate.announced).pop() ||
                submissions.pop() || rebuilt;
            lastReported.set(sealKey(url), performance.now());
            report(messageOf(chosen));
        });
    }
