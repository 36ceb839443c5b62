#!/usr/bin/python3
"""Drops files onto an X window the way a file manager does, over XDND.

Usage: xdnd_drop.py X Y FILE...   (X, Y: root coordinates of the drop point)

Wine hands such a drop to the window's registered IDropTarget as CF_HDROP,
with the files' Z:\\ paths. Wine fetches the data at XdndEnter, and the pointer
must be over the target while the position messages arrive.
"""
import sys
import time
import urllib.parse

from Xlib import X, Xatom, display, protocol
from Xlib.ext import xtest

XDND_VERSION = 5


def find_aware_window(d, root, x, y):
    """The deepest window under (x, y) that announces XdndAware."""
    aware = d.intern_atom('XdndAware')
    found = None
    win = root
    while True:
        if win.get_full_property(aware, X.AnyPropertyType) is not None:
            found = win
        child = win.query_pointer().child
        if not child:
            return found
        win = child


def client_message(d, target, type_name, data):
    ev = protocol.event.ClientMessage(window=target, client_type=d.intern_atom(type_name),
                                      data=(32, (data + [0] * 5)[:5]))
    target.send_event(ev, event_mask=0, propagate=False)
    d.flush()


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    x, y = int(sys.argv[1]), int(sys.argv[2])
    paths = sys.argv[3:]
    # text/uri-list wants CR LF after every entry.
    payload = ''.join('file://' + urllib.parse.quote(p) + '\r\n' for p in paths).encode()

    d = display.Display()
    root = d.screen().root
    source = root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
    sel = d.intern_atom('XdndSelection')
    uri_list = d.intern_atom('text/uri-list')
    copy = d.intern_atom('XdndActionCopy')

    xtest.fake_input(d, X.MotionNotify, x=x, y=y)
    d.sync()
    time.sleep(0.3)
    target = find_aware_window(d, root, x, y)
    if target is None:
        sys.exit('no XDND-aware window at %d,%d' % (x, y))

    source.set_selection_owner(sel, X.CurrentTime)
    d.flush()

    def serve(until_type, timeout=10.0):
        """Answers selection requests until a client message of until_type arrives."""
        want = d.intern_atom(until_type)
        end = time.time() + timeout
        while time.time() < end:
            while d.pending_events():
                ev = d.next_event()
                if ev.type == X.SelectionRequest:
                    prop = ev.property or ev.target
                    ev.requestor.change_property(prop, ev.target, 8, payload)
                    reply = protocol.event.SelectionNotify(time=ev.time, requestor=ev.requestor,
                                                           selection=ev.selection, target=ev.target,
                                                           property=prop)
                    ev.requestor.send_event(reply)
                    d.flush()
                elif ev.type == X.ClientMessage and ev.client_type == want:
                    return ev
            time.sleep(0.02)
        return None

    client_message(d, target, 'XdndEnter', [source.id, XDND_VERSION << 24, uri_list, 0, 0])
    serve('__none__', timeout=0.5)  # let Wine fetch the data it asks for at enter
    client_message(d, target, 'XdndPosition', [source.id, 0, (x << 16) | y, X.CurrentTime, copy])
    status = serve('XdndStatus')
    if status is None or not (status.data[1][1] & 1):
        client_message(d, target, 'XdndLeave', [source.id, 0, 0, 0, 0])
        sys.exit('the target refused the drop')
    client_message(d, target, 'XdndDrop', [source.id, 0, X.CurrentTime, 0, 0])
    if serve('XdndFinished') is None:
        sys.exit('the target did not finish the drop')
    print('dropped %d file(s)' % len(paths))


if __name__ == '__main__':
    main()
