// Runs in the hidden inspector page of a browser, beside the engine's DevTools bindings (the
// inspector's own front end is kept from loading). It asks the protocol for the network events
// of the inspected page and of its frames that run apart, and tells the application, through
// console messages that start with a per-run secret, the bytes of every POST of a document.
(function () {
    'use strict';
    const secret = '@SECRET@';
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
        // Nothing kept for the protocol's later questions: no answer's content is ever asked.
        // A page's own uploads (fetch, XHR) are told without their bytes, which could be tens of
        // megabytes each; documents' requests are told by the browser, which puts their bytes
        // in whatever this says.
        const enabled = send('Network.enable', { maxTotalBufferSize: 0, maxResourceBufferSize: 0,
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
    const handle = (message) => {
        const params = message.params || {};
        if (message.id === ready && !message.sessionId)
            tell(message.error ? { kind: 'refused', error: message.error.message || '' }
                               : { kind: 'ready' });
        else if (message.method === 'Target.attachedToTarget')
            watch(params.sessionId);
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
