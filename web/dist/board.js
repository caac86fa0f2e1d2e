// The board: wires the line state, the call log, the charts and the live feed together.

import {fetchState, fetchStats} from './api.js';
import {CallLog} from './call_log.js';
import {drawDays, drawHours, drawTop} from './charts.js';
import {LineState, rings} from './line_state.js';
import {applyTexts, say} from './language.js';
import {openLiveFeed} from './live_feed.js';

const byId = (id) => document.getElementById(id);
const SEARCH_PAUSE_MS = 250;
const STATS_PAUSE_MS = 1000;
const DELIVERIES_PAUSE_MS = 1000;

applyTexts(document);
document.title = say('board');

const line = new LineState();
const log = new CallLog({
  form: byId('filters'), list: byId('calls'), more: byId('more'), end: byId('log-end'),
  error: byId('log-error'), exportLink: byId('export'),
});

async function refreshStats() {
  try {
    const stats = await fetchStats();
    drawDays(byId('chart-days'), stats.days);
    drawHours(byId('chart-hours'), stats.hours);
    drawTop(byId('top'), stats.top);
  } catch (failure) {
    byId('chart-days').textContent = say('chart.failed', {reason: failure.message});
  }
}

async function refreshState() {
  try {
    line.show(await fetchState());
  } catch {
    // the feed tells whether the gateway answers; the next state event shows the line
  }
}

// Runs `action` once things have been still for `ms`.
function afterPause(action, ms) {
  let timer = null;
  return () => {
    clearTimeout(timer);
    timer = setTimeout(action, ms);
  };
}

const statsSoon = afterPause(refreshStats, STATS_PAUSE_MS);
const searchSoon = afterPause(() => log.reload(), SEARCH_PAUSE_MS);
// The feed sends a call once, as it was logged, and the state when a connection changes: the
// acknowledgements that follow are read a moment later.
const deliveriesSoon = afterPause(() => {
  log.refreshDeliveries();
  refreshState();
}, DELIVERIES_PAUSE_MS);

const form = byId('filters');
form.addEventListener('submit', (event) => {
  event.preventDefault();
  log.reload();
});
byId('q').addEventListener('input', searchSoon);
for (const id of ['since', 'until', 'type', 'memory']) {
  byId(id).addEventListener('change', () => log.reload());
}

let newestRung = 0;  // a call sent again (deliveries changed, feed replayed) rings only once

// The feed opens first, so that no call falls between the first reading of the log and the feed.
openLiveFeed({
  onCall: (call) => {
    if (rings(call) && call.id > newestRung) {
      newestRung = call.id;
      line.ring(call);
    }
    log.receive(call);
    statsSoon();
    deliveriesSoon();
  },
  onState: (state) => {
    line.show(state);
    deliveriesSoon();
  },
  // While the gateway cannot read the log, the page says so; once it can, what failed meanwhile
  // is read again (the feed brings the calls).
  onLog: ({readable}) => {
    byId('log-notice').hidden = readable;
    if (!readable) return;
    if (!byId('log-error').hidden) log.reload();
    refreshState();
    statsSoon();
  },
  onConnected: (connected) => {
    line.feed(connected);
    // A new stream tells again if the log still cannot be read.
    if (connected) byId('log-notice').hidden = true;
  },
  onReconnect: (fresh) => {
    refreshState();
    if (fresh) log.reload();
    statsSoon();
  },
});
refreshState();
log.reload();
refreshStats();
