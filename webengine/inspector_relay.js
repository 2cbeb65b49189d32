// Runs in the hidden inspector page of a browser, beside the engine's DevTools bindings (the
// inspector's own front end is kept from loading). It asks the protocol for the network events
// of the inspected page and of its frames that run apart, and tells the application, through
// console messages that start with a per-run secret, the text of each document the top frame
// loads as the server sent it and, where the engine hands the application no request bodies,
// the bytes of every POST of a document.
(function () {
    'use strict';
    const secret = '@SECRET@';
    const tellBodies = '@BODIES@' === 'yes';
    // As much of a document as the application keeps of it.
    const documentLength = 65536;
    const tell = (message) => console.log(secret + JSON.stringify(message));
    let lastId = 0;
    const send = (method, params, sessionId) => {
        const message = { id: ++lastId, method, params };
        if (sessionId)
            message.sessionId = sessionId;
        InspectorFrontendHost.sendMessageToBackend(JSON.stringify(message));
        return lastId;
    };
    // Frames of other sites run in processes of their own: the protocol reaches them through
    // sessions of their own, opened as they appear.
    const watch = (sessionId) => {
        // Answers are kept only as long as a document's text is asked right after it came, and
        // none over a mebibyte (its text is then not told). A page's own uploads (fetch, XHR)
        // are told without their bytes, which could be tens of megabytes each; documents'
        // requests are told by the browser, which puts their bytes in whatever this says.
        const enabled = send('Network.enable', { maxTotalBufferSize: 4 << 20,
                                                  maxResourceBufferSize: 1 << 20,
                                                  maxPostDataSize: 1 },
                             sessionId);
        send('Target.setAutoAttach', { autoAttach: true, waitForDebuggerOnStart: false,
                                       flatten: true }, sessionId);
        return enabled;
    };
    const header = (headers, name) => {
        for (const key of Object.keys(headers || {}))
            if (key.toLowerCase() === name)
                return headers[key];
        return '';
    };
    let ready = 0;
    // The top frame's id; its document requests by id, where each landed so far, and the
    // questions for their text by question id.
    let topFrame = '';
    const frameAsked = send('Page.getFrameTree', {});
    const documents = new Map();
    const asked = new Map();
    const handleDocument = (message) => {
        const params = message.params || {};
        if (message.sessionId)
            return;
        if (message.method === 'Network.requestWillBeSent' && params.type === 'Document' &&
            params.frameId === topFrame)
            documents.set(params.requestId, params.request.url);
        else if (message.method === 'Network.loadingFinished' && documents.has(params.requestId))
            asked.set(send('Network.getResponseBody', { requestId: params.requestId }),
                      params.requestId);
        else if (message.method === 'Network.loadingFailed')
            documents.delete(params.requestId);
        else if (asked.has(message.id)) {
            const id = asked.get(message.id);
            asked.delete(message.id);
            const result = message.result;
            // Not kept (too long), or not text: the page as it shows stands in.
            const text = result && !result.base64Encoded ? result.body : null;
            tell({ kind: 'document', url: documents.get(id),
                   text: text === null ? null : text.slice(0, documentLength) });
            documents.delete(id);
        }
    };
    const handle = (message) => {
        const params = message.params || {};
        if (message.id === frameAsked && !message.sessionId && message.result)
            topFrame = message.result.frameTree.frame.id;
        handleDocument(message);
        if (message.id === ready && !message.sessionId)
            tell(message.error ? { kind: 'refused', error: message.error.message || '' }
                               : { kind: 'ready' });
        else if (message.method === 'Target.attachedToTarget')
            watch(params.sessionId);
        else if (!tellBodies)
            return;
        else if (message.method === 'Network.requestWillBeSent') {
            const request = params.request;
            // A redirect's follow-up is the same request, not a new one.
            if (params.type !== 'Document' || request.method !== 'POST' || params.redirectResponse)
                return;
            // A multipart body without entries holds a file, which the protocol leaves out
            // (no other body is empty).
            const type = header(request.headers, 'content-type');
            const entries = request.postDataEntries ||
                            (/^multipart\//i.test(type) ? null : []);
            tell({ kind: 'body', id: params.requestId, url: request.url, type,
                   entries: entries ? entries.map((entry) => entry.bytes || '') : null });
        } else if (message.method === 'Network.loadingFailed' && params.type === 'Document' &&
                   params.canceled) {
            tell({ kind: 'dropped', id: params.requestId });
        }
    };
    // A long message comes in pieces (the first with the whole length in bytes, which the
    // pieces do not tell in characters): it is whole when it reads.
    let pieces = [];
    DevToolsAPI.dispatchMessage = (text) => handle(JSON.parse(text));
    DevToolsAPI.dispatchMessageChunk = (piece, size) => {
        if (Number(size))
            pieces = [];
        pieces.push(piece);
        let message;
        try {
            message = JSON.parse(pieces.join(''));
        } catch (e) {
            return;
        }
        pieces = [];
        handle(message);
    };
    ready = watch();
})();
