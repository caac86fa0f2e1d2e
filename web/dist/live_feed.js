// The live feed (Server-Sent Events of api/events, docs/http.md): `call` and `state` events, and
// `log` when the gateway cannot read its call log and once it can again.
// The browser reconnects by itself and sends the id of the last event it got, so the gateway
// sends the calls missed meanwhile first. When the browser gives up (the answer was no event
// stream), a new feed is opened after a pause: it cannot know what was missed, so
// `onReconnect(true)` tells the page to read the log again; `onReconnect(false)` follows a
// reconnection by the browser, whose missed calls the feed itself brings.

import {eventsUrl} from './api.js';

const RETRY_MS = 3000;

export function openLiveFeed({onCall, onState, onLog, onConnected, onReconnect}) {
  let lost = false;      // the feed went down since it last opened
  let replaced = false;  // the browser gave up and a new feed, without the last id, replaced it

  function connect() {
    const source = new EventSource(eventsUrl());
    source.addEventListener('open', () => {
      onConnected(true);
      if (lost) onReconnect(replaced);
      lost = false;
      replaced = false;
    });
    source.addEventListener('error', () => {
      onConnected(false);
      lost = true;
      if (source.readyState === EventSource.CLOSED) {
        source.close();
        replaced = true;
        setTimeout(connect, RETRY_MS);
      }
    });
    source.addEventListener('call', (event) => onCall(JSON.parse(event.data)));
    source.addEventListener('state', (event) => onState(JSON.parse(event.data)));
    source.addEventListener('log', (event) => onLog(JSON.parse(event.data)));
  }
  connect();
}
