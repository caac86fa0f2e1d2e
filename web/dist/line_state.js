// The line at a glance: the banner of the ringing call, the hook, the terminal's and the
// outputs' connections, and whether the live feed is up.

import {callTime, callerName, element, typeBadge} from './call_view.js';

const byId = (id) => document.getElementById(id);

// A call read back from the terminal's memory came earlier: it does not ring now.
export const rings = (call) => Boolean(call) && call.source !== 'memory';

function setPill(pill, text, tone) {
  pill.textContent = text;
  pill.className = `pill ${tone}`;
}

export class LineState {
  constructor() {
    this.banner = byId('banner');
    this.ringingCall = null;
  }

  // A call was reported: the line rings with it now.
  ring(call) {
    this.ringingCall = call;
    byId('banner-who').textContent = callerName(call);
    byId('banner-number').textContent = call.name ? call.number : '';
    byId('banner-group').textContent = `group ${call.group}`;
    byId('banner-type').replaceChildren(typeBadge(call.type));
    const time = byId('banner-time');
    time.textContent = callTime(call);
    time.dateTime = call.time || call.received;
    this.banner.classList.toggle('warn', call.type === 'BLACK');
    this.banner.hidden = false;
  }

  quiet() {
    this.ringingCall = null;
    this.banner.hidden = true;
  }

  // The state object of the API: the banner stays while the line rings and the receiver is down.
  show(state) {
    setPill(byId('status-terminal'), `Terminal ${state.terminal}`,
        state.terminal === 'connected' ? 'good' : 'bad');
    setPill(byId('status-hook'), state.off_hook ? 'Receiver lifted' : 'Receiver down',
        state.off_hook ? 'busy' : 'idle');
    const outputs = Object.entries(state.outputs || {}).sort(([a], [b]) => a.localeCompare(b));
    byId('status-outputs').replaceChildren(...outputs.map(([name, output]) => {
      const waiting = output.waiting ? `, ${output.waiting} waiting` : '';
      const pill = element('li');
      setPill(pill, `${name} ${output.connected ? 'connected' : 'disconnected'}${waiting}`,
          output.connected ? 'good' : 'bad');
      return pill;
    }));
    if (!state.ringing || state.off_hook) {
      this.quiet();
    } else if (rings(state.last_call) && this.ringingCall?.id !== state.last_call.id) {
      this.ring(state.last_call);
    }
  }

  feed(connected) {
    setPill(byId('status-feed'), connected ? 'Live' : 'Reconnecting…', connected ? 'good' : 'bad');
  }
}
