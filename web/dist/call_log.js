// The call log: newest first, a page at a time, under the filters of the form; live calls are
// put on top when they pass the filters. Each call is on the page once, by its id.

import {PAGE_SIZE, csvLink, fetchCalls} from './api.js';
import {callItem, localDay} from './call_view.js';
import {say} from './language.js';

// Whether a live call belongs in the log under the filters (days as the browser's local days of
// reception; the gateway's are the same when both keep the same time zone).
function passes(call, filters) {
  const day = localDay(new Date(call.received));
  return (!filters.q || call.number.includes(filters.q) || call.name.includes(filters.q)) &&
      (!filters.since || day >= filters.since) && (!filters.until || day <= filters.until) &&
      (!filters.type || call.type === filters.type) &&
      (!filters.source || call.source === filters.source);
}

export class CallLog {
  constructor({form, list, more, end, error, exportLink}) {
    Object.assign(this, {form, list, more, end, error, exportLink});
    this.items = new Map();  // id -> <li>
    this.generation = 0;     // a reload makes the answers of earlier requests stale
    this.loading = false;
    this.exhausted = false;
    more.addEventListener('click', () => this.loadMore());
    new IntersectionObserver((entries) => {
      if (entries.some((entry) => entry.isIntersecting)) this.loadMore();
    }).observe(more);
  }

  filters() {
    const data = new FormData(this.form);
    return {
      q: (data.get('q') || '').trim(), since: data.get('since') || '',
      until: data.get('until') || '', type: data.get('type') || '',
      source: data.get('source') || '',
    };
  }

  async reload() {
    this.generation += 1;
    this.items.clear();
    this.list.replaceChildren();
    this.exhausted = false;
    this.loading = false;
    this.exportLink.href = csvLink(this.filters());
    await this.loadMore();
  }

  async loadMore() {
    if (this.loading || this.exhausted) return;
    this.loading = true;
    this.list.setAttribute('aria-busy', 'true');
    const generation = this.generation;
    const oldest = this.list.lastElementChild;
    try {
      const calls = await fetchCalls(this.filters(), oldest && oldest.dataset.id);
      if (generation !== this.generation) return;
      this.error.hidden = true;
      for (const call of calls) this.place(call);
      this.exhausted = calls.length < PAGE_SIZE;
    } catch (failure) {
      if (generation !== this.generation) return;
      this.error.textContent = say('log.failed', {reason: failure.message});
      this.error.hidden = false;
    } finally {
      if (generation === this.generation) {
        this.loading = false;
        this.list.setAttribute('aria-busy', 'false');
        this.more.hidden = this.exhausted;
        this.showEnd();
      }
    }
  }

  // Below the list once every call is read: that no more came before, or that none is there.
  showEnd() {
    this.end.hidden = !this.exhausted;
    const filtered = Object.values(this.filters()).some(Boolean);
    this.end.textContent = say(this.items.size ? 'log.end' : filtered ? 'log.none' : 'log.empty');
  }

  // Reads the newest page again when a call shown waits for a delivery, so that the
  // acknowledgements that came since show.
  async refreshDeliveries() {
    if (!this.list.querySelector('.pending')) return;
    const generation = this.generation;
    try {
      const calls = await fetchCalls(this.filters());
      if (generation === this.generation) for (const call of calls) this.place(call);
    } catch {
      // the next live event tries again
    }
  }

  // A call from the live feed (new, or one already shown whose deliveries changed).
  receive(call) {
    if (this.items.has(call.id) || passes(call, this.filters())) this.place(call);
  }

  // Puts the call in its place by id (newest first), replacing what showed it before.
  place(call) {
    const item = callItem(call);
    const shown = this.items.get(call.id);
    this.items.set(call.id, item);
    if (shown) {
      shown.replaceWith(item);
      return;
    }
    if (this.items.size === 1) this.showEnd();
    const first = this.list.firstElementChild;
    const last = this.list.lastElementChild;
    if (!last || Number(last.dataset.id) > call.id) {
      this.list.append(item);
    } else if (Number(first.dataset.id) < call.id) {
      this.list.prepend(item);
    } else {
      const after = [...this.list.children].find((other) => Number(other.dataset.id) < call.id);
      this.list.insertBefore(item, after);
    }
  }
}
